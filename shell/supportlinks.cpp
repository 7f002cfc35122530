#include "shell/supportlinks.h"

#include "shell/releaseinfo.h"

namespace quillory {

namespace {

const QString kSite = QStringLiteral("https://www.quillory.org");
const QString kDemoPath = QStringLiteral("/osx/quillory/QuilloryDemoDoc.dmg");

} // namespace

QUrl SupportLinks::homePage()
{
    return QUrl(kSite + QLatin1Char('/'));
}

QUrl SupportLinks::productPage()
{
    return QUrl(kSite + QStringLiteral("/osx/quillory"));
}

QUrl SupportLinks::supportPage()
{
    return QUrl(kSite + QStringLiteral("/support/"));
}

QUrl SupportLinks::socialPage()
{
    return QUrl(QStringLiteral("https://mastodon.social/@quillory"));
}

std::vector<QUrl> SupportLinks::demoDocumentDownloads()
{
    return {QUrl(QStringLiteral("https://download.quillory.org") + kDemoPath),
            QUrl(QStringLiteral("https://download2.quillory.org") + kDemoPath)};
}

QString SupportLinks::supportAddress()
{
    return QStringLiteral("support@quillory.org");
}

QString SupportLinks::supportMailSubject(const QString& platform, const QString& osVersion)
{
    return QStringLiteral("Support Request for %1 rel. %2 - %3 %4")
        .arg(ReleaseInfo::appName(), ReleaseInfo::releaseString(), platform, osVersion);
}

QUrl SupportLinks::supportMail(const QString& platform, const QString& osVersion)
{
    // The characters a URL query allows stay as they are, except those that would end the
    // subject early or change its meaning in a mailto: query (&, =, +, #).
    const QByteArray subject = QUrl::toPercentEncoding(supportMailSubject(platform, osVersion),
                                                       QByteArrayLiteral("!$'()*,;:@/?"));
    return QUrl::fromEncoded(QByteArrayLiteral("mailto:") + supportAddress().toUtf8() +
                                 QByteArrayLiteral("?subject=") + subject,
                             QUrl::StrictMode);
}

} // namespace quillory
