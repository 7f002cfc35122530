#include "app/update/feedfetcher.h"

#include "core/userdefaultkeys.h"
#include "core/userdefaults.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace quillory {

const QString FeedFetcher::kMirrorsKey = UserDefaultKeys::kUpdateFeedUrls;

FeedFetcher::FeedFetcher(QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        // abort() finishes the reply, which moves on to the next mirror.
        if (m_reply)
            m_reply->abort();
    });
}

FeedFetcher::~FeedFetcher()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

QList<QUrl> FeedFetcher::builtInMirrors()
{
    const QString path = QStringLiteral("/mac/quillory.plist");
    const QUrl third(QStringLiteral("https://updates3.quillory.org") + path);
    // The last mirror is tried twice, as the feed has always been published.
    return {QUrl(QStringLiteral("https://updates.quillory.org") + path),
            QUrl(QStringLiteral("https://updates2.quillory.org") + path), third, third};
}

QList<QUrl> FeedFetcher::mirrors(const UserDefaults& defaults)
{
    QList<QUrl> urls;
    const QVariant stored = defaults.value(kMirrorsKey);
    QStringList texts = stored.toStringList();
    // A single address typed by hand reads as a list of one.
    if (texts.isEmpty() && !stored.toString().isEmpty())
        texts << stored.toString();
    for (const QString& text : texts) {
        const QUrl url(text.trimmed(), QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && (scheme == QLatin1String("https") || scheme == QLatin1String("http")))
            urls << url;
    }
    return urls.isEmpty() ? builtInMirrors() : urls;
}

bool FeedFetcher::fetch(const QList<QUrl>& mirrors, Done done)
{
    if (m_done)
        return false;
    m_done = std::move(done);
    m_pending = mirrors;
    tryNext();
    return true;
}

void FeedFetcher::tryNext()
{
    if (m_pending.isEmpty()) {
        finish(std::nullopt);
        return;
    }
    QNetworkRequest request(m_pending.takeFirst());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        // A feed is a few hundred bytes: anything this large is not one.
        if (received > UpdateFeed::kMaxBytes && m_reply)
            m_reply->abort();
    });
    connect(m_reply, &QNetworkReply::finished, this, &FeedFetcher::replyFinished);
    m_timer->start(m_timeout);
}

void FeedFetcher::replyFinished()
{
    m_timer->stop();
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    std::optional<UpdateFeed> feed;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && (status == 0 || status == 200))
        feed = UpdateFeed::parse(reply->readAll());
    if (feed)
        finish(feed);
    else
        tryNext();
}

void FeedFetcher::finish(const std::optional<UpdateFeed>& feed)
{
    Done done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(feed);
}

} // namespace quillory
