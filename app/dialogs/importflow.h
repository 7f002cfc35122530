#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quillory {

class UndoStack;

// What an import added, for the window to report.
struct ImportOutcome
{
    QString fileName;
    size_t fieldsAdded = 0;
    size_t recordsAdded = 0;
};

// The Import… command: choosing a file with its format and encoding, the settings dialog, and
// the import into the stack's document as one undoable step named after the file. None when
// the import added nothing.
std::optional<ImportOutcome> importIntoDocument(QWidget* window, UndoStack& stack);

} // namespace quillory
