#pragma once

#include <QString>

class QWidget;

namespace quillory {

class Document;

// The Export… command: the settings dialog, the save dialog with the suggested name, and the
// writing of the file. displayName names the document (for the suggested file name). The
// document is only read.
void exportDocument(QWidget* window, const Document& doc, const QString& displayName);

} // namespace quillory
