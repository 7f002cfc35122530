#include "shell/releaseinfo.h"

namespace quillory {

QString ReleaseInfo::appName()
{
    return QStringLiteral("Quillory");
}

QString ReleaseInfo::applicationId()
{
    return QString::fromLatin1(Release::kApplicationId);
}

QString ReleaseInfo::vendorName()
{
    return QStringLiteral("Brastel - Norvane");
}

QString ReleaseInfo::licence()
{
    return QStringLiteral("Licence: proprietary, all rights reserved.");
}

QString ReleaseInfo::statement()
{
    return QStringLiteral("Merge data from a database to file and folders on disk.");
}

QString ReleaseInfo::userGuideName()
{
    return QStringLiteral("%1 User Guide").arg(appName());
}

QString ReleaseInfo::releaseString()
{
    return dottedRelease(kReleaseNumber);
}

QString ReleaseInfo::dottedRelease(qint64 number)
{
    const QString s = QString::number(number);
    const qsizetype length = s.size();
    // A negative number has no dotted form: its sign would land in the major part.
    if (length < 4 || number < 0)
        return QString();
    QString major;
    QString minor;
    QString patch;
    if (length == 4) {
        major = s.left(1);
        minor = s.mid(1, 1);
        patch = s.mid(2, 2);
    } else {
        const auto dropLeadingZero = [](QString two) {
            return two.startsWith(QLatin1Char('0')) ? two.mid(1) : two;
        };
        major = s.left(length - 4);
        minor = dropLeadingZero(s.mid(length - 4, 2));
        patch = dropLeadingZero(s.right(2));
    }
    QString dotted = QStringLiteral("%1.%2.%3").arg(major, minor, patch);
    if (dotted.endsWith(QLatin1String(".0")))
        dotted.chop(2);
    return dotted;
}

} // namespace quillory
