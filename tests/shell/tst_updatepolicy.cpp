#include "archive/binaryplistwriter.h"
#include "core/userdefaults.h"
#include "shell/updatefeed.h"
#include "shell/updatepolicy.h"

#include <QTest>

using namespace quillory;
using Trigger = UpdatePolicy::Trigger;
using Notice = UpdatePolicy::Notice;

namespace {

// A binary feed of string keys with integer or string values.
QByteArray binaryFeed(const QList<std::pair<QString, QVariant>>& entries)
{
    const quint64 n = quint64(entries.size());
    BinaryPlistWriter w(1 + 2 * n);
    w.beginDict(0, n);
    for (quint64 i = 0; i < n; ++i)
        w.appendReference(1 + i);
    for (quint64 i = 0; i < n; ++i)
        w.appendReference(1 + n + i);
    for (quint64 i = 0; i < n; ++i) {
        const auto& [key, value] = entries[qsizetype(i)];
        w.writeString(1 + i, key);
        if (value.typeId() == QMetaType::LongLong)
            w.writeInteger(1 + n + i, value.toLongLong());
        else
            w.writeString(1 + n + i, value.toString());
    }
    if (!w.finish(0))
        qFatal("feed not written");
    return w.takeData();
}

QByteArray xmlFeed(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD "
           "PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist "
           "version=\"1.0\"><dict>" +
           body + "</dict></plist>\n";
}

UpdateFeed feedWith(qint64 latest)
{
    UpdateFeed feed;
    feed.latestRelease = latest;
    feed.updateUrl = QUrl("https://example.org/get");
    feed.downloadPage = QUrl("https://example.org/page");
    return feed;
}

} // namespace

// The update check's rules with a clock of the test's own, and the feed reader.
class TestUpdatePolicy : public QObject
{
    Q_OBJECT

    QDateTime m_now;
    MemoryUserDefaults m_defaults;
    std::unique_ptr<UpdatePolicy> m_policy;

private slots:
    void init()
    {
        m_now = QDateTime(QDate(2026, 12, 6), QTime(10, 0));
        m_defaults.removeValue(UpdatePolicy::kLastCheckKey);
        m_defaults.removeValue(UpdatePolicy::kNotifyKey);
        m_policy = std::make_unique<UpdatePolicy>(m_defaults, [this] { return m_now; });
    }

    void feed_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("parses");
        QTest::addColumn<qint64>("latest"); // -1: none
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("page");
        QTest::newRow("binary") << binaryFeed({{"LRA", qint64(10103)},
                                               {"GFU", "https://example.org/get"},
                                               {"DPU", "https://example.org/page"}})
                                << true << qint64(10103) << "https://example.org/get"
                                << "https://example.org/page";
        QTest::newRow("binary, no LRA") << binaryFeed({{"GFU", "https://example.org/get"}}) << true
                                        << qint64(-1) << "https://example.org/get"
                                        << "";
        QTest::newRow("binary, LRA a string")
            << binaryFeed({{"LRA", "10103"}}) << true << qint64(-1) << ""
            << "";
        QTest::newRow("xml") << xmlFeed("<key>LRA</key><integer>10200</integer><key>DPU</key>"
                                        "<string>https://example.org/page</string><key>X</key>"
                                        "<array><string>a</string></array>")
                             << true << qint64(10200) << ""
                             << "https://example.org/page";
        QTest::newRow("xml, LRA a string")
            << xmlFeed("<key>LRA</key><string>10200</string>") << true << qint64(-1) << ""
            << "";
        QTest::newRow("xml, LRA not a number")
            << xmlFeed("<key>LRA</key><integer>ten</integer>") << true << qint64(-1) << ""
            << "";
        // A feed must not send the user to a local file or another program.
        QTest::newRow("urls that are no web pages")
            << xmlFeed("<key>GFU</key><string>file:///etc/passwd</string><key>DPU</key>"
                       "<string>not a url</string>")
            << true << qint64(-1) << ""
            << "";
        QTest::newRow("another program's scheme")
            << xmlFeed("<key>GFU</key><string>smb://example.org/share/x</string>") << true
            << qint64(-1) << ""
            << "";
        QTest::newRow("xml array root")
            << QByteArray("<plist><array><integer>1</integer></array></plist>") << false
            << qint64(-1) << ""
            << "";
        QTest::newRow("html page")
            << QByteArray("<html><body>Not found</body></html>") << false << qint64(-1) << ""
            << "";
        QTest::newRow("truncated xml")
            << xmlFeed("<key>LRA</key><integer>10200</integer>").left(120) << false << qint64(-1)
            << ""
            << "";
        QTest::newRow("truncated binary")
            << binaryFeed({{"LRA", qint64(10103)}}).chopped(3) << false << qint64(-1) << ""
            << "";
        QTest::newRow("empty") << QByteArray() << false << qint64(-1) << ""
                               << "";
        QTest::newRow("too large")
            << xmlFeed(QByteArray(UpdateFeed::kMaxBytes, ' ')) << false << qint64(-1) << ""
            << "";
    }
    void feed()
    {
        QFETCH(QByteArray, data);
        QFETCH(qint64, latest);
        const std::optional<UpdateFeed> feed = UpdateFeed::parse(data);
        QTEST(feed.has_value(), "parses");
        if (!feed)
            return;
        QCOMPARE(feed->latestRelease.value_or(-1), latest);
        QTEST(feed->updateUrl.toString(), "update");
        QTEST(feed->downloadPage.toString(), "page");
    }

    // How each trigger's check ends, by what the fetch gave.
    void outcome_data()
    {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<qint64>("latest"); // -1: a feed without LRA, -2: no feed
        QTest::addColumn<int>("notice");
        QTest::addColumn<bool>("dateWritten");
        const struct
        {
            const char* name;
            Trigger trigger;
            int newer, same, older, noLra, noFeed;
        } rows[] = {
            {"user", Trigger::User, int(Notice::UpdateAvailable), int(Notice::UpToDate),
             int(Notice::UpToDate), int(Notice::None), int(Notice::Failed)},
            {"daily verbose", Trigger::DailyVerbose, int(Notice::UpdateAvailable),
             int(Notice::None), int(Notice::None), int(Notice::None), int(Notice::None)},
            {"daily silent", Trigger::DailySilent, int(Notice::None), int(Notice::None),
             int(Notice::None), int(Notice::None), int(Notice::None)},
            {"silent", Trigger::Silent, int(Notice::None), int(Notice::None), int(Notice::None),
             int(Notice::None), int(Notice::None)},
        };
        for (const auto& r : rows) {
            QTest::addRow("%s, newer", r.name)
                << int(r.trigger) << qint64(10103) << r.newer << true;
            QTest::addRow("%s, same", r.name) << int(r.trigger) << qint64(10102) << r.same << true;
            QTest::addRow("%s, older", r.name)
                << int(r.trigger) << qint64(10101) << r.older << true;
            QTest::addRow("%s, no LRA", r.name) << int(r.trigger) << qint64(-1) << r.noLra << true;
            QTest::addRow("%s, no feed", r.name)
                << int(r.trigger) << qint64(-2) << r.noFeed << false;
        }
    }
    void outcome()
    {
        QFETCH(int, trigger);
        QFETCH(qint64, latest);
        const std::optional<UpdatePolicy::Check> check = m_policy->begin(Trigger(trigger));
        QVERIFY(check);
        QVERIFY(m_policy->isChecking());
        std::optional<UpdateFeed> feed;
        if (latest != -2) {
            feed = feedWith(latest);
            if (latest == -1)
                feed->latestRelease.reset();
        }
        const UpdatePolicy::Result result = m_policy->finish(*check, feed);
        QVERIFY(!m_policy->isChecking());
        QTEST(int(result.notice), "notice");
        QFETCH(bool, dateWritten);
        QCOMPARE(m_defaults.value(UpdatePolicy::kLastCheckKey).toDateTime(),
                 dateWritten ? m_now : QDateTime());
        switch (result.notice) {
        case Notice::UpdateAvailable:
            QCOMPARE(result.alert.messageText, "There is an update available for Quillory");
            QCOMPARE(result.alert.informativeText,
                     "You are using release: 1.1.2\nLatest available release is: 1.1.3\nNorvane "
                     "recommends to use always the latest release");
            QCOMPARE(result.alert.buttons,
                     QStringList({"Download Update", "Download Page", "Later"}));
            QCOMPARE(result.firstButton, QUrl("https://example.org/get"));
            QCOMPARE(result.secondButton, QUrl("https://example.org/page"));
            break;
        case Notice::UpToDate:
            QCOMPARE(result.alert.messageText, "Quillory is up to date");
            QCOMPARE(result.alert.buttons, QStringList({"Go to Norvane Download Page", "Close"}));
            QCOMPARE(result.firstButton, QUrl("https://example.org/page"));
            break;
        case Notice::Failed:
            QCOMPARE(result.alert.messageText,
                     "Quillory was not able to connect to the Norvane server");
            QCOMPARE(result.alert.buttons, QStringList({"OK"}));
            break;
        case Notice::None:
            break;
        }
    }

    void requestsWhileCheckingAreDropped()
    {
        const auto first = m_policy->begin(Trigger::User);
        QVERIFY(first);
        for (const Trigger t : {Trigger::User, Trigger::DailyVerbose, Trigger::Silent})
            QVERIFY(!m_policy->begin(t));
        m_policy->finish(*first, std::nullopt);
        QVERIFY(m_policy->begin(Trigger::User));
    }

    // The daily checks run once per calendar day, counted from the last feed received.
    void dailyLimit_data()
    {
        QTest::addColumn<QDateTime>("last"); // invalid: never
        QTest::addColumn<bool>("checks");
        const QDate today(2026, 12, 6);
        QTest::newRow("never") << QDateTime() << true;
        QTest::newRow("earlier today") << QDateTime(today, QTime(0, 0, 1)) << false;
        QTest::newRow("later today") << QDateTime(today, QTime(23, 59)) << false;
        QTest::newRow("yesterday late") << QDateTime(today.addDays(-1), QTime(23, 59)) << true;
        QTest::newRow("same day last month")
            << QDateTime(today.addMonths(-1), QTime(10, 0)) << true;
        QTest::newRow("same day last year") << QDateTime(today.addYears(-1), QTime(10, 0)) << true;
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
        m_policy = std::make_unique<UpdatePolicy>(m_defaults, [this] { return m_now; });
        QCOMPARE(m_policy->begin(Trigger::DailySilent).has_value(), checks);
        m_policy = std::make_unique<UpdatePolicy>(m_defaults, [this] { return m_now; });
        QVERIFY(m_policy->begin(Trigger::User));
    }

    void secondLaunchSameDayFetchesNothing()
    {
        const auto check = m_policy->begin(Trigger::DailyVerbose);
        QVERIFY(check);
        m_policy->finish(*check, feedWith(10102));
        m_now = m_now.addSecs(3600);
        UpdatePolicy relaunched(m_defaults, [this] { return m_now; });
        QVERIFY(!relaunched.begin(relaunched.launchTrigger()));
        m_now = m_now.addDays(1);
        QVERIFY(relaunched.begin(relaunched.launchTrigger()));
    }

    void launchTrigger()
    {
        QCOMPARE(int(m_policy->launchTrigger()), int(Trigger::DailyVerbose));
        m_defaults.setValue(UpdatePolicy::kNotifyKey, false);
        QCOMPARE(int(m_policy->launchTrigger()), int(Trigger::DailySilent));
    }

    void invitation_data()
    {
        QTest::addColumn<qint64>("secondsAgo"); // -1: never checked
        QTest::addColumn<QString>("message");   // empty: no invitation
        const QString longer = "It is more then 90 days this app doesn't report to you for "
                               "updates.\nWould you like that Quillory informs you now for any "
                               "available update?";
        QTest::newRow("never") << qint64(-1)
                               << "Would you like that Quillory informs you now for any available "
                                  "update?";
        QTest::newRow("91 days") << qint64(91 * 86400) << longer;
        QTest::newRow("90 days and a second") << qint64(7776001) << longer;
        QTest::newRow("exactly 90 days") << qint64(7776000) << "";
        QTest::newRow("yesterday") << qint64(86400) << "";
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
        if (!alert)
            return;
        QCOMPARE(alert->messageText, message);
        QCOMPARE(alert->informativeText, "Suggested option is to have the update report "
                                         "enabled.\nUse the Preference Dialog to enable this "
                                         "feature.");
        QCOMPARE(alert->buttons, QStringList({"OK", "Norvane Site", "Cancel"}));
    }
};

QTEST_GUILESS_MAIN(TestUpdatePolicy)
#include "tst_updatepolicy.moc"
