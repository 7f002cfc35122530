#pragma once

#include <QString>

class QWidget;

namespace quillory {

// Where a window's file dialogs start: the folder of its document, or, for a document never
// saved, the folder last used in any of them (the home folder before the first).
QString dialogStartFolder(const QWidget* parent);
// Notes the folder of the file at path, or the folder path itself, as the last one used.
void noteDialogFolder(const QString& path);

} // namespace quillory
