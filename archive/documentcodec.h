#pragma once

#include "core/alert.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillory {

class Document;

// Turns a document into its file (a keyed archive of one mutable dictionary) and back. Reading
// decodes the whole file into temporaries first, so a refused file leaves the document as it
// was; writing replaces the file atomically.
class DocumentCodec
{
public:
    struct ReadResult
    {
        bool ok = false;
        // The newer-document alert when the file comes from a later release.
        std::optional<Alert> alert;
        QString error;
    };

    struct WriteResult
    {
        bool ok = false;
        QString error;
    };

    // The archive of the document; empty only when its values cannot be archived (a container
    // that contains itself), which the model never builds.
    static QByteArray dataOfType(const Document& doc);
    static ReadResult readFromData(Document& doc, const QByteArray& data);
    static ReadResult readFromFile(Document& doc, const QString& path);
    // Writes through a temporary file renamed over path, so a failed save keeps the old file.
    static WriteResult writeToFile(const Document& doc, const QString& path);
};

} // namespace quillory
