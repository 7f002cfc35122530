#include "merge/runlog.h"

namespace quillory {

namespace {

const QString kErrorLineHead =
    QStringLiteral("\n>>>>> ERROR >>>>> The error occourred with prototype file path '");
const QString kCreatedFolder = QStringLiteral("Created folder: ");
const QString kCreatedFile = QStringLiteral("Created file: ");
const QString kSkipped = QStringLiteral("Skipped attempt to overwrite file: ");
const QString kError = QStringLiteral("ERROR: ");
const QString kRejected = QStringLiteral(">>>>> ERROR >>>>> ");

} // namespace

QString RunLog::startLine(const QString& destinationPath)
{
    return QStringLiteral("\nStart merging data and save folders inside : ") + destinationPath;
}

QString RunLog::rule()
{
    return QLatin1Char('\n') + QString(60, QLatin1Char('-'));
}

QString RunLog::createdFolder(const QString& relativePath)
{
    return QLatin1Char('\n') + kCreatedFolder + relativePath;
}

QString RunLog::createdFile(const QString& relativePath)
{
    return QLatin1Char('\n') + kCreatedFile + relativePath;
}

QString RunLog::skippedFile(const QString& relativePath)
{
    return QLatin1Char('\n') + kSkipped + relativePath;
}

QString RunLog::pathRejected(const QString& message)
{
    return QStringLiteral("\n\n") + message;
}

QString RunLog::oneRecordError(const QString& itemPath, qint64 recordNumber)
{
    return kErrorLineHead + itemPath +
           QStringLiteral("' One per Record section merging record n. ") +
           QString::number(recordNumber) + QLatin1Char('\n');
}

QString RunLog::allInOneError(const QString& itemPath)
{
    return kErrorLineHead + itemPath + QStringLiteral("' All in One section\n");
}

QString RunLog::error(const QString& description)
{
    return QLatin1Char('\n') + kError + description;
}

QString RunLog::blockedByFile(bool isFolder, const QString& fullPath, const QString& blockingPath)
{
    return error((isFolder ? QStringLiteral("Cannot create folder '")
                           : QStringLiteral("Cannot write file '")) +
                 fullPath + QStringLiteral("': '") + blockingPath +
                 QStringLiteral("' is a file, not a folder"));
}

QString RunLog::totals(qint64 folders, qint64 files)
{
    return QStringLiteral("\nTotally created ") + QString::number(folders) +
           QStringLiteral(" folders and ") + QString::number(files) + QStringLiteral(" files.");
}

QString RunLog::cancelled()
{
    return QStringLiteral("\nRun cancelled.");
}

RunLog::LineKind RunLog::lineKind(QStringView line, QStringView next)
{
    if (line.startsWith(kSkipped))
        return LineKind::Skipped;
    if (line.startsWith(kError) || line.startsWith(kRejected))
        return LineKind::Error;
    if (line.startsWith(kCreatedFolder) || line.startsWith(kCreatedFile))
        return LineKind::Created;
    // Some rejections (a text too large) have a message in words of their own; the error line
    // naming the item follows it directly.
    if (!line.isEmpty() && next.startsWith(kRejected))
        return LineKind::Error;
    return LineKind::Other;
}

} // namespace quillory
