#pragma once

#include <QString>

namespace quillory {

class Document;

// The run log: the text of each piece a run appends, and the document's log operations.
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

    // appendToLogView: adds piece at the end of the log and marks the document changed.
    static void appendToLogView(Document& doc, const QString& piece);
    // Empties the log as one undoable step named "Clear Log".
    static void clearLog(Document& doc);
    // Puts text back as the whole log; its undo clears the log again.
    static void clearLogUndo(Document& doc, const QString& text);
};

} // namespace quillory
