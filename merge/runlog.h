#pragma once

#include <QString>

namespace quillory {

// The run log's lines: the text of each piece a run appends.
// Pieces are built by concatenation so that a value holding "%" or anything else shows as is.
class RunLog
{
public:
    static QString startLine(const QString& destinationPath);
    static QString rule();
    static QString createdFolder(const QString& relativePath);
    static QString createdFile(const QString& relativePath);
    static QString skippedFile(const QString& relativePath);
    static QString pathRejected(const QString& message);
    // recordNumber counts from 1.
    static QString oneRecordError(const QString& itemPath, qint64 recordNumber);
    static QString allInOneError(const QString& itemPath);
    static QString error(const QString& description);
    static QString totals(qint64 folders, qint64 files);
    // A run stopped by the user before its last item; the totals follow.
    static QString cancelled();
};

} // namespace quillory
