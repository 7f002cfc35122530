#include "core/locationbookmark.h"
#include "core/userdefaults.h"
#include "shell/launcharguments.h"
#include "shell/releaseinfo.h"
#include "shell/startupaction.h"
#include "shell/startupdocument.h"
#include "shell/supportlinks.h"
#include "support/scratchfolder.h"

#include <QFile>
#include <QTest>
#include <QUrlQuery>

#include <unistd.h>

using namespace quillory;
using Outcome = StartupDocument::Outcome;

// The application's launch: its command line, the startup actions and the startup document
// kept in the user defaults; and the release it names, in its support mail too.
class TestStartup : public QObject
{
    Q_OBJECT

    // A bookmark of path as the preferences store it.
    static QByteArray bookmarkOf(const QString& path)
    {
        return LocationBookmark::make(path, LocationBookmark::Access::ReadWrite).value();
    }

private slots:
    void actions_data()
    {
        QTest::addColumn<qint64>("tag");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("untitledWhenNoneGiven");
        QTest::addColumn<bool>("actsWithNoneOpen");
        QTest::addColumn<bool>("actsWithOneOpen");
        QTest::newRow("0 new document")
            << qint64(0) << int(StartupAction::NewDocument) << 1000 << true << true << false;
        QTest::newRow("1 panel if nothing open")
            << qint64(1) << int(StartupAction::OpenPanelIfNothingOpen) << 1000 << false << true
            << false;
        // The panel comes even when a document was given at launch.
        QTest::newRow("2 panel") << qint64(2) << int(StartupAction::OpenPanel) << 0 << false << true
                                 << true;
        QTest::newRow("3 startup document")
            << qint64(3) << int(StartupAction::StartupDocument) << 0 << false << true << true;
        QTest::newRow("4 nothing")
            << qint64(4) << int(StartupAction::Nothing) << 0 << false << false << false;
        QTest::newRow("-1 nothing")
            << qint64(-1) << int(StartupAction::Nothing) << 0 << false << false << false;
    }
    void actions()
    {
        QFETCH(qint64, tag);
        const StartupAction action = StartupActions::fromTag(tag);
        QTEST(int(action), "action");
        QTEST(StartupActions::delayMilliseconds(action), "delay");
        QTEST(StartupActions::opensUntitledAtLaunch(action, false), "untitledWhenNoneGiven");
        // A document given at launch never adds an untitled one.
        QVERIFY(!StartupActions::opensUntitledAtLaunch(action, true));
        QTEST(StartupActions::actsAfterDelay(action, false), "actsWithNoneOpen");
        QTEST(StartupActions::actsAfterDelay(action, true), "actsWithOneOpen");
    }

    // What a launch with action 3 finds, by what the user defaults hold.
    void launch_data()
    {
        QTest::addColumn<QString>("stored"); // absent, garbage, file, gone, unreadable
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("specified");
        const QString select = "Please select a file or change startup option";
        QTest::newRow("absent") << "absent" << int(Outcome::NotSpecified) << select << false;
        QTest::newRow("not a bookmark")
            << "garbage" << int(Outcome::NotSpecified) << select << false;
        QTest::newRow("file removed") << "gone" << int(Outcome::NotSpecified) << select << false;
        QTest::newRow("a document") << "file" << int(Outcome::Open) << "" << true;
        QTest::newRow("unreadable")
            << "unreadable" << int(Outcome::AccessRefused)
            << "Not valid Startup Document selected. Please re-select" << true;
    }
    void launch()
    {
        QFETCH(QString, stored);
        test::ScratchFolder scratch;
        const QString doc = scratch.writeFile("start.quillory", "x");
        MemoryUserDefaults defaults;
        if (stored == "garbage")
            defaults.setValue(StartupDocument::kBookmarkKey, QByteArray("bookmark?"));
        else if (stored != "absent")
            defaults.setValue(StartupDocument::kBookmarkKey, bookmarkOf(doc));
        if (stored == "gone")
            QVERIFY(QFile::remove(doc));
        if (stored == "unreadable") {
            if (geteuid() == 0)
                QSKIP("root reads any file");
            QVERIFY(QFile::setPermissions(doc, QFileDevice::WriteOwner));
        }
        StartupDocument startup(defaults);
        int changes = 0;
        startup.statusChanged = [&] { ++changes; };
        const StartupDocument::Resolution r = startup.resolveForLaunch();
        QTEST(int(r.outcome), "outcome");
        QCOMPARE(r.path, r.outcome == Outcome::Open ? doc : QString());
        QTEST(startup.statusMessage(), "status");
        QTEST(startup.isSpecified(), "specified");
        QCOMPARE(changes, r.outcome == Outcome::Open ? 0 : 1);
    }

    // A file replaced at the same path leaves a stale bookmark: it is renewed and stored.
    void staleBookmarkRenewed()
    {
        test::ScratchFolder scratch;
        const QString doc = scratch.writeFile("start.quillory", "old");
        MemoryUserDefaults defaults;
        const QByteArray old = bookmarkOf(doc);
        defaults.setValue(StartupDocument::kBookmarkKey, old);
        // Another file at the same place (new inode while the old one is still held).
        QFile keep(doc);
        QVERIFY(keep.open(QIODevice::ReadOnly));
        QVERIFY(QFile::remove(doc));
        scratch.writeFile("start.quillory", "new");
        bool stale = false;
        QVERIFY(LocationBookmark::resolve(old, &stale) && stale);

        StartupDocument startup(defaults);
        const StartupDocument::Resolution r = startup.resolveForLaunch();
        QCOMPARE(int(r.outcome), int(Outcome::Open));
        QCOMPARE(r.path, doc);
        QCOMPARE(startup.statusMessage(), "Bookmark renewed");
        const QByteArray renewed = defaults.dataValue(StartupDocument::kBookmarkKey);
        QVERIFY(renewed != old);
        QVERIFY(LocationBookmark::resolve(renewed, &stale) && !stale);
    }

    // Choosing, clearing, opening now and showing in the file manager, as the General pane does.
    void chooseClearAndOpenNow()
    {
        test::ScratchFolder scratch;
        const QString doc = scratch.writeFile("start.quillory", "x");
        MemoryUserDefaults defaults;
        StartupDocument startup(defaults);
        QVERIFY(startup.isSpecified());
        QVERIFY(!startup.choose(scratch.filePath("missing.quillory")));
        QVERIFY(!startup.resolveForOpenNow());
        QCOMPARE(startup.statusMessage(), "Please select a file or change startup option");

        QVERIFY(startup.choose(doc));
        QCOMPARE(startup.statusMessage(), "");
        QCOMPARE(startup.resolveForReveal().value_or("none"), doc);
        startup.clear();
        QCOMPARE(startup.statusMessage(), "Please select a file or change startup option");
        QVERIFY(!startup.isSpecified());

        // A bookmark that no longer resolves leaves the status alone when opening now.
        QVERIFY(startup.choose(doc));
        QVERIFY(QFile::remove(doc));
        QVERIFY(!startup.resolveForOpenNow());
        QVERIFY(!startup.resolveForReveal());
        QCOMPARE(startup.statusMessage(), "");
    }

    void dottedRelease_data()
    {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("dotted");
        QTest::newRow("three parts") << qint64(20304) << "2.3.4";
        QTest::newRow("patch 0 dropped") << qint64(10200) << "1.2";
        QTest::newRow("two-digit parts") << qint64(21010) << "2.10.10";
        QTest::newRow("four digits keep the patch's zero") << qint64(1102) << "1.1.02";
        QTest::newRow("three digits") << qint64(999) << "";
        QTest::newRow("only the last .0 goes") << qint64(10000) << "1.0";
        QTest::newRow("negative") << qint64(-20304) << "";
    }
    void dottedRelease()
    {
        QFETCH(qint64, number);
        QFETCH(QString, dotted);
        QCOMPARE(ReleaseInfo::dottedRelease(number), dotted);
    }

    // The number the update check compares and the text people read are the same release.
    void releaseNumberAndTextAgree()
    {
        QCOMPARE(ReleaseInfo::releaseString(), QString::fromLatin1(Release::kVersion));
        QVERIFY(ReleaseInfo::kReleaseNumber >= 10000);
    }

    void supportMail_data()
    {
        const QString release = QString::fromLatin1(Release::kVersion);
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QByteArray>("url");
        QTest::newRow("the example")
            << "macOS"
            << "Version 14.5 (Build 23F79)"
            << "Support Request for Quillory rel. " + release +
                   " - macOS Version 14.5 (Build 23F79)"
            << "mailto:support@quillory.org?subject=Support%20Request%20for%20Quillory%20rel.%20" +
                   release.toUtf8() + "%20-%20macOS%20Version%2014.5%20(Build%2023F79)";
        // These would end the subject or add a field to the mail.
        QTest::newRow("query delimiters")
            << "Linux"
            << "A&cc=x+y#z é"
            << "Support Request for Quillory rel. " + release + " - Linux A&cc=x+y#z é"
            << "mailto:support@quillory.org?subject="
               "Support%20Request%20for%20Quillory%20rel.%20" +
                   release.toUtf8() + "%20-%20Linux%20A%26cc%3Dx%2By%23z%20%C3%A9";
    }
    void supportMail()
    {
        QFETCH(QString, platform);
        QFETCH(QString, version);
        QFETCH(QString, subject);
        QFETCH(QByteArray, url);
        QCOMPARE(SupportLinks::supportMailSubject(platform, version), subject);
        const QUrl mail = SupportLinks::supportMail(platform, version);
        QVERIFY(mail.isValid());
        QCOMPARE(mail.toEncoded(), url);
        // A mail program reading the query gets the subject back whole.
        QCOMPARE(QUrlQuery(mail).queryItemValue("subject", QUrl::FullyDecoded), subject);
    }

    // Rows: arguments, what they ask for besides documents (version, help, new instance), the
    // documents, the unknown option.
    void launchArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("asks");
        QTest::addColumn<QStringList>("documents");
        QTest::addColumn<QString>("unknown");
        const auto row = [](const char* tag, const QStringList& args, const QString& asks,
                            const QStringList& documents, const QString& unknown = {}) {
            QTest::newRow(tag) << args << asks << documents << unknown;
        };
        row("new instance", {"--new-instance", "a.quillory"}, "new instance", {"a.quillory"});
        row("version", {"--version"}, "version", {});
        row("help", {"-h"}, "help", {});
        row("documents", {"a.quillory", "/x/b.quillory"}, "", {"a.quillory", "/x/b.quillory"});
        row("file manager URL", {"file:///home/u/My%20Doc.quillory"}, "",
            {"/home/u/My Doc.quillory"});
        row("after --", {"--", "--version", "-x.quillory"}, "", {"--version", "-x.quillory"});
        row("unknown option", {"--frobnicate", "a.quillory"}, "", {"a.quillory"}, "--frobnicate");
    }
    void launchArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, asks);
        const LaunchArguments parsed = LaunchArguments::parse(args);
        QCOMPARE(parsed.showVersion, asks == "version");
        QCOMPARE(parsed.showHelp, asks == "help");
        QCOMPARE(parsed.newInstance, asks == "new instance");
        QTEST(parsed.documents, "documents");
        QTEST(parsed.unknownOption, "unknown");
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
