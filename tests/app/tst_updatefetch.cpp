#include "app/update/feedfetcher.h"
#include "app/update/updatecontroller.h"
#include "core/userdefaults.h"
#include "shell/releaseinfo.h"
#include "support/updatefeeds.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <map>

using namespace quillory;
using namespace quillory::test;
using Notice = UpdatePolicy::Notice;

namespace {

// Feeds naming the running release and the one after it.
constexpr qint64 kRunning = ReleaseInfo::kReleaseNumber;
constexpr qint64 kNewer = kRunning + 1;

// A small HTTP server on the loopback interface: each path answers with a body, an error
// status, or never.
class LoopbackServer : public QObject
{
public:
    struct Answer
    {
        int status = 200; // 0: nothing listens there
        QByteArray body;
        bool hang = false;
    };

    LoopbackServer()
    {
        if (!m_server.listen(QHostAddress::LocalHost))
            qFatal("no loopback port");
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
    }

    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    void answer(const QString& path, Answer a) { m_answers[path] = std::move(a); }
    QStringList requested;

private:
    void serve(QTcpSocket* socket)
    {
        QByteArray& pending = m_requests[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(pending.split(' ').value(1));
        m_requests.remove(socket);
        requested << path;
        const auto it = m_answers.find(path);
        const Answer a = it != m_answers.end() ? it->second : Answer{404, "missing", false};
        if (a.hang)
            return;
        socket->write("HTTP/1.1 " + QByteArray::number(a.status) +
                      " X\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                      QByteArray::number(a.body.size()) + "\r\nConnection: close\r\n\r\n" + a.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    std::map<QString, Answer> m_answers;
    QHash<QTcpSocket*, QByteArray> m_requests;
};

// A loopback address where nothing listens (port 1 is reserved and unused).
QUrl deadMirror()
{
    return QUrl("http://127.0.0.1:1/mac/quillory.plist");
}

} // namespace

Q_DECLARE_METATYPE(LoopbackServer::Answer)

// The feed fetched over HTTP from mirrors the test serves, and what the check shows then.
class TestUpdateFetch : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoopbackServer> m_server;
    std::unique_ptr<MemoryUserDefaults> m_defaults;
    QList<Alert> m_alerts;
    QList<QUrl> m_opened;
    int m_answer = 0;

    std::unique_ptr<UpdateController> controller()
    {
        auto c = std::make_unique<UpdateController>(
            *m_defaults,
            [this](const Alert& a) {
                m_alerts << a;
                return a.role(m_answer); // the button at m_answer is pressed
            },
            [this](const QUrl& url) { m_opened << url; });
        c->fetcher().setMirrorTimeout(500);
        return c;
    }

    void setMirrors(const QList<QUrl>& urls)
    {
        QStringList texts;
        for (const QUrl& u : urls)
            texts << u.toString();
        m_defaults->setValue(FeedFetcher::kMirrorsKey, texts);
    }

private slots:
    void init()
    {
        m_server = std::make_unique<LoopbackServer>();
        m_defaults = std::make_unique<MemoryUserDefaults>();
        m_alerts.clear();
        m_opened.clear();
        m_answer = 0;
    }

    void mirrorsFromDefaults()
    {
        m_defaults->setValue(FeedFetcher::kMirrorsKey,
                             QStringList{"http://a.test/f.plist", "file:///etc/passwd", "::"});
        QCOMPARE(FeedFetcher::mirrors(*m_defaults), QList<QUrl>{QUrl("http://a.test/f.plist")});
        m_defaults->setValue(FeedFetcher::kMirrorsKey, "https://b.test/x");
        QCOMPARE(FeedFetcher::mirrors(*m_defaults), QList<QUrl>{QUrl("https://b.test/x")});
    }

    // A check started by the user or at launch against what the mirrors serve: each mirror is
    // tried in turn until one serves a feed. (What a feed's release means is UpdatePolicy's.)
    void check_data()
    {
        QTest::addColumn<bool>("user");
        QTest::addColumn<QList<LoopbackServer::Answer>>("answers"); // mirror 1, 2, ...
        QTest::addColumn<int>("notice");
        QTest::addColumn<bool>("dateWritten");
        QTest::addColumn<int>("requests");
        using A = LoopbackServer::Answer;
        const A down{0, {}};
        QTest::newRow("newer") << true << QList<A>{{200, releaseFeed(kNewer)}}
                               << int(Notice::UpdateAvailable) << true << 1;
        QTest::newRow("not a plist, then nothing")
            << true << QList<A>{{200, "<html>hello</html>"}, {404, "no"}} << int(Notice::Failed)
            << false << 2;
        QTest::newRow("a feed with a server error status")
            << true << QList<A>{{500, releaseFeed(kNewer)}, {200, releaseFeed(kRunning)}}
            << int(Notice::UpToDate) << true << 2;
        QTest::newRow("mirror 1 hangs, mirror 2 answers")
            << true << QList<A>{{200, {}, true}, {200, releaseFeed(kNewer)}}
            << int(Notice::UpdateAvailable) << true << 2;
        QTest::newRow("mirror 1 down, mirror 2 up")
            << true << QList<A>{down, {200, releaseFeed(kNewer)}} << int(Notice::UpdateAvailable)
            << true << 1;
        QTest::newRow("all down") << true << QList<A>{down, down, down, down} << int(Notice::Failed)
                                  << false << 0;
        // A launch check tells only of an update.
        QTest::newRow("launch, all down")
            << false << QList<A>{down, down} << int(Notice::None) << false << 0;
    }
    void check()
    {
        QFETCH(bool, user);
        QFETCH(QList<LoopbackServer::Answer>, answers);
        QList<QUrl> mirrors;
        for (int i = 0; i < answers.size(); ++i) {
            const QString path = QStringLiteral("/m%1/mac/quillory.plist").arg(i + 1);
            m_server->answer(path, answers[i]);
            mirrors << (answers[i].status == 0 ? deadMirror() : m_server->url(path));
        }
        setMirrors(mirrors);
        // Daily checks were allowed at an earlier launch.
        m_defaults->setValue("updateCheckQuestionAsked", true);
        auto c = controller();
        QSignalSpy finished(c.get(), &UpdateController::checkFinished);
        if (user)
            c->checkNow();
        else
            c->launchProcedure();
        QVERIFY(c->isChecking());
        QVERIFY(finished.wait(5000));
        QTEST(int(finished.at(0).at(0).value<Notice>()), "notice");
        QTEST(m_defaults->value("lastCheckDateForUpdate").isValid(), "dateWritten");
        QTEST(int(m_server->requested.size()), "requests");
        QVERIFY(!c->isChecking());
        QFETCH(int, notice);
        QCOMPARE(m_alerts.size(), notice == int(Notice::None) ? 0 : 1);
        if (notice == int(Notice::UpdateAvailable)) {
            QVERIFY(m_alerts[0].informativeText.contains("Latest available release is: 1.1.3"));
            QCOMPARE(m_opened, QList<QUrl>{QUrl("https://example.org/get")});
        } else if (notice == int(Notice::Failed)) {
            QCOMPARE(m_alerts[0].messageText,
                     "Quillory was not able to connect to the Norvane server");
        }
    }

    // "Software Update…" chosen again while the feed is fetched or its answer is on screen.
    void requestsWhileCheckingAreDropped()
    {
        m_server->answer("/f", {200, releaseFeed(kNewer)});
        setMirrors({m_server->url("/f")});
        std::unique_ptr<UpdateController> c;
        bool startedMeanwhile = true;
        c = std::make_unique<UpdateController>(
            *m_defaults,
            [&](const Alert& a) {
                m_alerts << a;
                startedMeanwhile = c->start(UpdatePolicy::Trigger::User) || !c->isChecking();
                return a.role(2);
            },
            [this](const QUrl& url) { m_opened << url; });
        QSignalSpy finished(c.get(), &UpdateController::checkFinished);
        c->checkNow();
        QVERIFY(!c->start(UpdatePolicy::Trigger::User));
        QVERIFY(finished.wait(5000));
        QVERIFY(!startedMeanwhile);
        QVERIFY(!c->isChecking());
        QCOMPARE(m_alerts.size(), 1);
        QVERIFY(m_opened.isEmpty()); // "Later"
        QVERIFY(!finished.wait(300));
        QCOMPARE(m_server->requested.size(), 1);
    }

    // The first launch asks before anything reaches the network, No unless told otherwise; the
    // answer is the daily check's preference, and a second launch asks nothing.
    void firstLaunchAsksOnce_data()
    {
        QTest::addColumn<int>("answer"); // the button pressed; -1: the box closed
        QTest::addColumn<bool>("daily");
        QTest::addColumn<int>("requests");
        QTest::newRow("Don't Check") << 0 << false << 0;
        QTest::newRow("closed") << -1 << false << 0;
        QTest::newRow("Check Daily") << 1 << true << 1;
    }
    void firstLaunchAsksOnce()
    {
        QFETCH(int, answer);
        QFETCH(int, requests);
        m_server->answer("/f", {200, releaseFeed(kNewer)});
        setMirrors({m_server->url("/f")});
        m_answer = answer;
        for (int launch = 1; launch <= 2; ++launch) {
            auto c = controller();
            QSignalSpy finished(c.get(), &UpdateController::checkFinished);
            c->launchProcedure();
            if (c->isChecking())
                QVERIFY(finished.wait(5000));
            else
                QVERIFY(!finished.wait(300));
            // The daily check tells of the newer release; the second launch is the same day.
            QCOMPARE(m_alerts.size(), requests == 0 ? 1 : 2);
            QCOMPARE(m_alerts.first().messageText, "Should Quillory check for new releases?");
            QTEST(m_defaults->boolValue("notifyUpdate"), "daily");
            QCOMPARE(int(m_server->requested.size()), requests);
        }
    }
};

QTEST_GUILESS_MAIN(TestUpdateFetch)
#include "tst_updatefetch.moc"
