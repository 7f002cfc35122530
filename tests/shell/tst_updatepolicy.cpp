#include "core/userdefaults.h"
#include "shell/releaseinfo.h"
#include "shell/updatefeed.h"
#include "shell/updatepolicy.h"
#include "support/updatefeeds.h"

#include <QTest>

using namespace quillory;
using namespace quillory::test;
using Trigger = UpdatePolicy::Trigger;
using Notice = UpdatePolicy::Notice;

// The update check's rules with a clock of the test's own, and the feed reader.
class TestUpdatePolicy : public QObject
{
    Q_OBJECT

    QDateTime m_now;
    MemoryUserDefaults m_defaults;
    std::unique_ptr<UpdatePolicy> m_policy;

    // A policy as a new launch makes it, over the same defaults and clock.
    void relaunch()
    {
        m_policy = std::make_unique<UpdatePolicy>(m_defaults, [this] { return m_now; });
    }

private slots:
    void init()
    {
        m_now = QDateTime(QDate(2026, 12, 6), QTime(10, 0));
        m_defaults.removeValue(UpdatePolicy::kLastCheckKey);
        m_defaults.removeValue(UpdatePolicy::kNotifyKey);
        relaunch();
    }

    void feed_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("parses");
        QTest::addColumn<qint64>("latest"); // -1: none
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("page");
        const QString get = "https://example.org/get", page = "https://example.org/page";
        const QByteArray xmlLra = xmlFeed("<key>LRA</key><integer>10200</integer>");
        const struct
        {
            const char* name;
            QByteArray data;
            bool parses;
            qint64 latest;
            QString update, page;
        } rows[] = {
            {"binary", releaseFeed(10103), true, 10103, get, page},
            {"binary, no LRA", binaryFeed({{"GFU", get}}), true, -1, get, ""},
            {"binary, LRA a string", binaryFeed({{"LRA", "10103"}}), true, -1, "", ""},
            {"xml",
             xmlFeed("<key>LRA</key><integer>10200</integer><key>DPU</key><string>" +
                     page.toUtf8() + "</string><key>X</key><array><string>a</string></array>"),
             true, 10200, "", page},
            // A feed must not send the user to a local file or another program.
            {"urls that are no web pages",
             xmlFeed("<key>GFU</key><string>file:///etc/passwd</string><key>DPU</key>"
                     "<string>not a url</string>"),
             true, -1, "", ""},
            {"another program's scheme",
             xmlFeed("<key>GFU</key><string>smb://example.org/share/x</string>"), true, -1, "", ""},
            {"xml array root", "<plist><array><integer>1</integer></array></plist>", false, -1, "",
             ""},
            {"truncated xml", xmlLra.left(120), false, -1, "", ""},
            {"truncated binary", releaseFeed(10103).chopped(3), false, -1, "", ""},
            {"empty", QByteArray(), false, -1, "", ""},
            {"too large", xmlFeed(QByteArray(UpdateFeed::kMaxBytes, ' ')), false, -1, "", ""},
        };
        for (const auto& r : rows)
            QTest::newRow(r.name) << r.data << r.parses << r.latest << r.update << r.page;
    }
    void feed()
    {
        QFETCH(QByteArray, data);
        const std::optional<UpdateFeed> feed = UpdateFeed::parse(data);
        QTEST(feed.has_value(), "parses");
        if (!feed)
            return;
        QTEST(feed->latestRelease.value_or(-1), "latest");
        QTEST(feed->updateUrl.toString(), "update");
        QTEST(feed->downloadPage.toString(), "page");
    }

    // How each trigger's check ends, by what the fetch gave.
    void outcome_data()
    {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<qint64>("latest"); // -1: a feed without LRA, -2: no feed
        QTest::addColumn<int>("notice");
        const struct
        {
            const char* name;
            Trigger trigger;
            Notice newer, same, older, noLra, noFeed;
        } rows[] = {
            {"user", Trigger::User, Notice::UpdateAvailable, Notice::UpToDate, Notice::UpToDate,
             Notice::None, Notice::Failed},
            {"daily verbose", Trigger::DailyVerbose, Notice::UpdateAvailable, Notice::None,
             Notice::None, Notice::None, Notice::None},
            {"daily silent", Trigger::DailySilent, Notice::None, Notice::None, Notice::None,
             Notice::None, Notice::None},
            {"silent", Trigger::Silent, Notice::None, Notice::None, Notice::None, Notice::None,
             Notice::None},
        };
        const qint64 running = ReleaseInfo::kReleaseNumber;
        for (const auto& r : rows) {
            const std::pair<const char*, std::pair<qint64, Notice>> cases[] = {
                {"newer", {running + 1, r.newer}},
                {"same", {running, r.same}},
                {"older", {running - 1, r.older}},
                {"no LRA", {-1, r.noLra}},
                {"no feed", {-2, r.noFeed}}};
            for (const auto& [what, c] : cases)
                QTest::addRow("%s, %s", r.name, what) << int(r.trigger) << c.first << int(c.second);
        }
    }
    void outcome()
    {
        QFETCH(int, trigger);
        QFETCH(qint64, latest);
        const std::optional<UpdatePolicy::Check> check = m_policy->begin(Trigger(trigger));
        QVERIFY(check);
        // A request of any kind while a check runs is dropped.
        QVERIFY(m_policy->isChecking());
        QVERIFY(!m_policy->begin(Trigger(trigger)));
        std::optional<UpdateFeed> feed;
        if (latest != -2) {
            feed = UpdateFeed::parse(releaseFeed(latest));
            if (latest == -1)
                feed->latestRelease.reset();
        }
        const UpdatePolicy::Result result = m_policy->finish(*check, feed);
        QVERIFY(!m_policy->isChecking());
        QTEST(int(result.notice), "notice");
        // The date of the last check is written only when a feed arrived.
        QCOMPARE(m_defaults.value(UpdatePolicy::kLastCheckKey).toDateTime(),
                 feed ? m_now : QDateTime());
        // The alert's buttons lead where the feed said; the texts are the code's constants.
        if (result.notice == Notice::UpdateAvailable) {
            QCOMPARE(result.download, QUrl("https://example.org/get"));
            QCOMPARE(result.downloadPage, QUrl("https://example.org/page"));
        } else if (result.notice == Notice::UpToDate) {
            QCOMPARE(result.downloadPage, QUrl("https://example.org/page"));
            QCOMPARE(result.alert.roles.value(0), Alert::DownloadPage);
        }
        QVERIFY(m_policy->begin(Trigger::User));
    }

    // The daily checks run once per calendar day, counted from the last feed
    // received.
    void dailyLimit_data()
    {
        QTest::addColumn<QDateTime>("last"); // invalid: never
        QTest::addColumn<bool>("checks");
        const QDate today(2026, 12, 6);
        QTest::newRow("never") << QDateTime() << true;
        QTest::newRow("earlier today") << QDateTime(today, QTime(0, 0, 1)) << false;
        QTest::newRow("later today") << QDateTime(today, QTime(23, 59)) << false;
        QTest::newRow("yesterday late") << QDateTime(today.addDays(-1), QTime(23, 59)) << true;
        QTest::newRow("tomorrow") << QDateTime(today.addDays(1), QTime(1, 0)) << true;
    }
    void dailyLimit()
    {
        QFETCH(QDateTime, last);
        QFETCH(bool, checks);
        if (last.isValid())
            m_defaults.setValue(UpdatePolicy::kLastCheckKey, last);
        QCOMPARE(m_policy->lastCheckNotToday(), checks);
        QCOMPARE(m_policy->begin(Trigger::DailyVerbose).has_value(), checks);
        relaunch();
        QCOMPARE(m_policy->begin(Trigger::DailySilent).has_value(), checks);
        relaunch();
        QVERIFY(m_policy->begin(Trigger::User));
    }

    void invitation_data()
    {
        QTest::addColumn<qint64>("secondsAgo"); // -1: never checked
        QTest::addColumn<QString>("message");   // empty: no invitation
        const QString longer = "It is more then 90 days this app doesn't report to you for "
                               "updates.\nWould you like that Quillory informs you now for any "
                               "available update?";
        QTest::newRow("never") << qint64(-1)
                               << "Would you like that Quillory informs you now "
                                  "for any available update?";
        QTest::newRow("90 days and a second") << qint64(7776001) << longer;
        QTest::newRow("exactly 90 days") << qint64(7776000) << "";
        QTest::newRow("in the future") << qint64(-86400 * 200) << "";
    }
    void invitation()
    {
        QFETCH(qint64, secondsAgo);
        QFETCH(QString, message);
        if (secondsAgo != -1)
            m_defaults.setValue(UpdatePolicy::kLastCheckKey, m_now.addSecs(-secondsAgo));
        const std::optional<Alert> alert = m_policy->invitation();
        QCOMPARE(alert.has_value(), !message.isEmpty());
        if (alert)
            QCOMPARE(alert->messageText, message);
    }
};

QTEST_GUILESS_MAIN(TestUpdatePolicy)
#include "tst_updatepolicy.moc"
