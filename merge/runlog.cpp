#include "merge/runlog.h"

namespace quillory {

namespace {

const QString kErrorLineHead =
    QStringLiteral("\n>>>>> ERROR >>>>> The error occourred with prototype file path '");

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
    return QStringLiteral("\nCreated folder: ") + relativePath;
}

QString RunLog::createdFile(const QString& relativePath)
{
    return QStringLiteral("\nCreated file: ") + relativePath;
}

QString RunLog::skippedFile(const QString& relativePath)
{
    return QStringLiteral("\nSkipped attempt to overwrite file: ") + relativePath;
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
    return QStringLiteral("\nERROR: ") + description;
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

} // namespace quillory
