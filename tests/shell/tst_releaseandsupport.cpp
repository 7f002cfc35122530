#include "shell/launcharguments.h"
#include "shell/releaseinfo.h"
#include "shell/supportlinks.h"

#include <QTest>
#include <QUrlQuery>

using namespace quillory;

namespace {

// The release the build was configured with.
QString release()
{
    return QString::fromLatin1(Release::kVersion);
}

} // namespace

// Release strings, the support mail and the application's command line.
class TestReleaseAndSupport : public QObject
{
    Q_OBJECT

private slots:
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
        QCOMPARE(ReleaseInfo::releaseString(), release());
        QVERIFY(ReleaseInfo::kReleaseNumber >= 10000);
    }

    void supportMail_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QByteArray>("url");
        QTest::newRow("the example")
            << "macOS"
            << "Version 14.5 (Build 23F79)"
            << "Support Request for Quillory rel. " + release() +
                   " - macOS Version 14.5 (Build 23F79)"
            << "mailto:support@quillory.org?subject=Support%20Request%20for%20Quillory%20rel.%20" +
                   release().toUtf8() + "%20-%20macOS%20Version%2014.5%20(Build%2023F79)";
        // These would end the subject or add a field to the mail.
        QTest::newRow("query delimiters")
            << "Linux"
            << "A&cc=x+y#z é"
            << "Support Request for Quillory rel. " + release() + " - Linux A&cc=x+y#z é"
            << "mailto:support@quillory.org?subject="
               "Support%20Request%20for%20Quillory%20rel.%20" +
                   release().toUtf8() + "%20-%20Linux%20A%26cc%3Dx%2By%23z%20%C3%A9";
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

    void launchArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("version");
        QTest::addColumn<bool>("help");
        QTest::addColumn<QStringList>("documents");
        QTest::addColumn<QString>("unknown");
        QTest::addColumn<bool>("newInstance");
        QTest::newRow("new instance") << QStringList{"--new-instance", "a.quillory"} << false
                                      << false << QStringList{"a.quillory"} << "" << true;
        QTest::newRow("version") << QStringList{"--version"} << true << false << QStringList{} << ""
                                 << false;
        QTest::newRow("help") << QStringList{"-h"} << false << true << QStringList{} << "" << false;
        QTest::newRow("documents") << QStringList{"a.quillory", "/x/b.quillory"} << false << false
                                   << QStringList{"a.quillory", "/x/b.quillory"} << "" << false;
        QTest::newRow("file manager URL")
            << QStringList{"file:///home/u/My%20Doc.quillory"} << false << false
            << QStringList{"/home/u/My Doc.quillory"} << "" << false;
        QTest::newRow("after --") << QStringList{"--", "--version", "-x.quillory"} << false << false
                                  << QStringList{"--version", "-x.quillory"} << "" << false;
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate", "a.quillory"} << false << false
            << QStringList{"a.quillory"} << "--frobnicate" << false;
    }
    void launchArguments()
    {
        QFETCH(QStringList, args);
        const LaunchArguments parsed = LaunchArguments::parse(args);
        QTEST(parsed.showVersion, "version");
        QTEST(parsed.showHelp, "help");
        QTEST(parsed.documents, "documents");
        QTEST(parsed.unknownOption, "unknown");
        QTEST(parsed.newInstance, "newInstance");
    }
};

QTEST_GUILESS_MAIN(TestReleaseAndSupport)
#include "tst_releaseandsupport.moc"
