#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quillory {

class DocumentMemory;
class UndoStack;

// What an import added, for the window to report.
struct ImportOutcome
{
    QString fileName;
    size_t fieldsAdded = 0;
    size_t recordsAdded = 0;
};

// The Import… command: choosing a file in the platform's open dialog, the settings dialog (where
// the format and the encoding are chosen too), and the import into the stack's document as one
// undoable step named after the file. None when the import added nothing. With a memory, the
// format, encoding and header choice of the document's last import (known by documentPath; none
// for a document never saved) are where the next one starts.
std::optional<ImportOutcome> importIntoDocument(QWidget* window, UndoStack& stack,
                                                DocumentMemory* memory = nullptr,
                                                const QString& documentPath = {});
// The same import of the file at path, chosen without the open dialog (a file dropped on the
// window).
std::optional<ImportOutcome> importFileIntoDocument(QWidget* window, UndoStack& stack,
                                                    const QString& path,
                                                    DocumentMemory* memory = nullptr,
                                                    const QString& documentPath = {});

} // namespace quillory
