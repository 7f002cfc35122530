#pragma once

class QWidget;

namespace quillory {

class UndoStack;

// The Import… command: choosing a file with its format and encoding, the settings dialog, and
// the import into the stack's document as one undoable step named after the file. True when
// the import added something.
bool importIntoDocument(QWidget* window, UndoStack& stack);

} // namespace quillory
