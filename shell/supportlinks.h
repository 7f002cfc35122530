#pragma once

#include <QString>
#include <QUrl>

#include <vector>

namespace quillory {

// The maker's web pages, the support mail and the demo-document downloads.
class SupportLinks
{
public:
    static QUrl homePage();
    static QUrl productPage();
    static QUrl supportPage();
    static QUrl socialPage();
    // The demo documents' disk image on the first and second download server.
    static std::vector<QUrl> demoDocumentDownloads();

    // "Support Request for Quillory rel. <release> - <platform> <osVersion>", e.g. platform "Linux"
    // and osVersion "Debian GNU/Linux 12 (bookworm)".
    static QString supportMailSubject(const QString& platform, const QString& osVersion);
    // A mailto: URL to the support address with that subject, percent-encoded.
    static QUrl supportMail(const QString& platform, const QString& osVersion);
    static QString supportAddress();
};

} // namespace quillory
