#pragma once

#include "shell/updatefeed.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace quillory {

class UserDefaults;

// Fetches the update feed from the mirrors in order, off the window's thread (the network
// access is asynchronous): the first mirror that answers with a property-list dictionary wins;
// a mirror that fails, answers with anything else or takes longer than the time-out gives way
// to the next.
class FeedFetcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMirrorTimeoutMilliseconds = 10000;
    // The list of addresses in the user default that replaces the built-in mirrors.
    static const QString kMirrorsKey; // "updateFeedUrls"

    explicit FeedFetcher(QObject* parent = nullptr);
    ~FeedFetcher() override;

    // The built-in mirrors, or the web addresses in "updateFeedUrls" when it holds any.
    static QList<QUrl> mirrors(const UserDefaults& defaults);
    static QList<QUrl> builtInMirrors();

    using Done = std::function<void(const std::optional<UpdateFeed>&)>;
    // Calls done once, on this object's thread, with the feed or none. Ignored (false) while a
    // fetch runs.
    bool fetch(const QList<QUrl>& mirrors, Done done);
    bool isFetching() const { return static_cast<bool>(m_done); }
    void setMirrorTimeout(int milliseconds) { m_timeout = milliseconds; }

private:
    void tryNext();
    void replyFinished();
    void finish(const std::optional<UpdateFeed>& feed);

    QNetworkAccessManager* m_network;
    QTimer* m_timer;
    QPointer<QNetworkReply> m_reply;
    QList<QUrl> m_pending;
    Done m_done;
    int m_timeout = kMirrorTimeoutMilliseconds;
};

} // namespace quillory
