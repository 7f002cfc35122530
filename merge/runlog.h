#pragma once

#include <QString>
#include <QStringView>

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
    // The first failure under a folder that a file stands in the place of: names that file.
    static QString blockedByFile(bool isFolder, const QString& fullPath,
                                 const QString& blockingPath);
    static QString totals(qint64 folders, qint64 files);
    // A run stopped by the user before its last item; the totals follow.
    static QString cancelled();

    // What a line of the log reports, for a view that colours or picks lines.
    enum class LineKind { Other, Created, Skipped, Error };
    // next is the line after it: a rejected path's message is an error because of the error
    // line that follows it.
    static LineKind lineKind(QStringView line, QStringView next = {});
};

} // namespace quillory
