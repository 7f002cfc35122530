#pragma once

#include "core/documentcontents.h"
#include "core/result.h"

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
    // The archive of the document; empty only when its values cannot be archived (a container
    // that contains itself), which the model never builds.
    static QByteArray dataOfType(const Document& doc);
    // Everything a file holds, decoded into temporaries; a file from a later release fails
    // with the newer-document alert.
    static Result<DocumentContents> contentsOfData(const QByteArray& data);
    static Result<DocumentContents> contentsOfFile(const QString& path);
    // The same, handed to the document. A refused file leaves the document as it was; a file from a
    // later release fails with the newer-document alert.
    static Result<> readFromData(Document& doc, const QByteArray& data);
    static Result<> readFromFile(Document& doc, const QString& path);
    // Writes through a temporary file renamed over path, so a failed save keeps the old file.
    static Result<> writeToFile(const Document& doc, const QString& path);
};

} // namespace quillory
