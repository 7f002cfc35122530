#include "merge/pathcheck.h"

#include "templates/stringutils.h"

#include <QStringTokenizer>

namespace quillory {

namespace {

const QString kErrorHead = QStringLiteral(">>>>> ERROR >>>>> ");
const QString kFixValue = QStringLiteral(" Please fix value for resulting path: '");

// Built by concatenation: a path may hold "%" or anything else, and must show as it is.
QString message(bool isFolder, const QString& problem, const QString& fullPath)
{
    return kErrorHead + (isFolder ? QStringLiteral("Folder name ") : QStringLiteral("File name ")) +
           problem + kFixValue + StringUtils::trimLateralSpace(fullPath) + QLatin1Char('\'');
}

} // namespace

bool PathCheck::existsErrorForFilePath(const QString& fullPath, QString* errorStr)
{
    const QString trimmed = StringUtils::trimLateralSpace(fullPath);
    if (trimmed.endsWith(QLatin1Char('/'))) {
        *errorStr = message(false, QStringLiteral("can't end in '/'"), fullPath);
        return true;
    }
    if (trimmed.contains(QLatin1Char(':'))) {
        *errorStr = message(false, QStringLiteral("can't contain ':'"), fullPath);
        return true;
    }
    return false;
}

bool PathCheck::existsErrorForFolderPath(const QString& fullPath, QString* errorStr)
{
    if (StringUtils::trimLateralSpace(fullPath).contains(QLatin1Char(':'))) {
        *errorStr = message(true, QStringLiteral("can't contain ':'"), fullPath);
        return true;
    }
    return false;
}

bool PathCheck::parentReferenceError(const QString& relativePath, const QString& fullPath,
                                     bool isFolder, QString* errorStr)
{
    for (QStringView component : QStringTokenizer(relativePath, QLatin1Char('/'))) {
        if (component == QLatin1String("..")) {
            *errorStr = message(isFolder, QStringLiteral("can't contain '..'"), fullPath);
            return true;
        }
    }
    return false;
}

QString PathCheck::outsideDestinationError(const QString& fullPath, bool isFolder)
{
    return message(isFolder, QStringLiteral("can't lead outside the destination folder"), fullPath);
}

} // namespace quillory
