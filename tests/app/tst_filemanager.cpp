#include "app/document/windowstate.h"
#include "app/preferences/preferenceswindow.h"
#include "app/shell/shell.h"
#include "archive/documentcodec.h"
#include "commands/runcommands.h"
#include "core/document.h"
#include "core/tabids.h"
#include "windowtest.h"

#include <QDBusConnection>
#include <QProcess>
#include <QUrl>

using namespace quillory;

// Stands in for the desktop's file manager: records the items it is asked to show.
class FileManagerStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public slots:
    void ShowItems(const QStringList& uris, const QString& /*startupId*/) { shown << uris; }
};

// Show in File Manager, for the destination folder and for the startup document, asks the
// file manager over D-Bus to show the item itself (selected in its folder), not its folder.
// The test runs on a bus of its own, with a stand-in file manager.
class FileManagerTest : public QObject, public WindowTestBase
{
    Q_OBJECT

public:
    // Why the private bus is not there (empty when it is): the tests are then skipped.
    explicit FileManagerTest(QString busProblem) : m_busProblem(std::move(busProblem)) {}

private:
    FileManagerStandIn m_standIn;
    QString m_busProblem;

    // The button titled title among parent's children, as the person reads it.
    static QPushButton* button(QWidget* parent, const QString& title)
    {
        for (QPushButton* b : parent->findChildren<QPushButton*>())
            if (QString(b->text()).remove(u'&') == title)
                return b;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        if (!m_busProblem.isEmpty()) {
            // CI installs dbus-daemon (scripts/debian-packages.txt): there its absence is a fault.
            if (qEnvironmentVariable("CI") == QLatin1String("true"))
                QFAIL(qPrintable(m_busProblem));
            QSKIP(qPrintable(m_busProblem));
        }
        // A connection of its own, as the file manager is another program on the bus.
        QDBusConnection bus = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "stand-in");
        QVERIFY2(bus.isConnected(), "no private session bus");
        QVERIFY(bus.registerService("org.freedesktop.FileManager1"));
        QVERIFY(bus.registerObject("/org/freedesktop/FileManager1", &m_standIn,
                                   QDBusConnection::ExportAllSlots));
    }
    void cleanupTestCase() { QDBusConnection::disconnectFromBus("stand-in"); }
    void init()
    {
        startApplication();
        m_standIn.shown.clear();
    }
    void cleanup() { stopApplication(); }

    void showsTheItemItself_data()
    {
        QTest::addColumn<bool>("startupDocument");
        QTest::newRow("the destination folder") << false;
        QTest::newRow("the startup document") << true;
    }
    void showsTheItemItself()
    {
        QFETCH(bool, startupDocument);
        QString item;
        QPushButton* show = nullptr;
        if (startupDocument) {
            item = m_scratch->filePath("start.quillory");
            Document doc(m_defaults.get());
            QVERIFY(DocumentCodec::writeToFile(doc, item));
            QVERIFY(m_app->shell().startupDocument().choose(item));
            m_app->shell().openPreferences(0);
            show = button(m_app->shell().preferences(), "Show in File Manager");
        } else {
            item = m_scratch->filePath("Out");
            QVERIFY(QDir().mkpath(item));
            DocumentWindow* w = m_app->newDocument();
            QVERIFY(commands::chooseDestination(w->undoStack(), item));
            w->state().showMainTab(TabIds::kRun);
            show = button(w, "Show in File Manager");
        }
        QVERIFY(show && show->isEnabled());
        QTest::mouseClick(show, Qt::LeftButton);
        QTRY_COMPARE(m_standIn.shown, QStringList{QUrl::fromLocalFile(item).toString()});
    }
};

// Offscreen, on a D-Bus session bus of this run only: the calls reach the stand-in, and no
// file manager of the desktop opens.
int main(int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QProcess bus;
    QString busProblem;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!bus.waitForStarted())
        busProblem = "dbus-daemon cannot be started (" + bus.errorString() +
                     "): install the dbus-daemon package to run the file manager tests";
    else if (!bus.waitForReadyRead(10000))
        busProblem = "dbus-daemon gave no bus address: " + bus.readAllStandardError();
    else
        // Read before the first use of the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    FileManagerTest test(busProblem);
    const int failures = QTest::qExec(&test, argc, argv);
    bus.kill();
    bus.waitForFinished();
    return failures;
}

#include "tst_filemanager.moc"
