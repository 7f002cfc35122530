#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quillory {

class Document;
class DocumentMemory;

// Where an export wrote, and how many records the file holds.
struct ExportOutcome
{
    QString path;
    qsizetype records = 0;
};

// The Export… command: the settings dialog, the save dialog with the suggested name, and the
// writing of the file. displayName names the document (for the suggested file name and the
// page title). The document is only read. None when nothing was written (given up, or the
// user was told why). With a memory, the fields, format and options confirmed in the last
// export of the document (known by documentPath; none for a document never saved) are where
// the settings start.
std::optional<ExportOutcome> exportDocument(QWidget* window, const Document& doc,
                                            const QString& displayName,
                                            DocumentMemory* memory = nullptr,
                                            const QString& documentPath = {});

} // namespace quillory
