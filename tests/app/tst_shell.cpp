#include "app/preferences/preferenceswindow.h"
#include "app/shell/shell.h"
#include "app/support/demodocumentswindow.h"
#include "archive/documentcodec.h"
#include "archive/keyedarchivewriter.h"
#include "core/dict.h"
#include "core/document.h"
#include "shell/supportlinks.h"
#include "support/testdata.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolBar>
#include <QUrl>

using namespace quillory;

// The application shell around the document windows: startup actions, the startup document,
// the preferences panes and the demo documents.
class TestShell : public QObject, public WindowTestBase
{
    Q_OBJECT

    QList<Alert> m_alerts;
    int m_answer = 1; // the button every alert is answered with
    int m_panels = 0;
    QList<QUrl> m_opened;

    Shell& shell() { return m_app->shell(); }

    QString writeDocument(const QString& name)
    {
        Document doc(m_defaults.get());
        const QString path = m_scratch->filePath(name);
        if (!DocumentCodec::writeToFile(doc, path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Runs the startup action and waits until it is done.
    void launch(qint64 tag, const QStringList& documents)
    {
        m_defaults->setValue("StartupActionTag", tag);
        for (const QString& path : documents)
            QVERIFY(m_app->openDocument(path));
        QSignalSpy finished(&shell(), &Shell::startupFinished);
        shell().carryOutStartupAction(!documents.isEmpty());
        QVERIFY(finished.wait(3000));
    }

private slots:
    void init()
    {
        startApplication();
        m_alerts.clear();
        m_panels = 0;
        m_opened.clear();
        m_answer = 1;
        // Pressing the button at m_answer gives that button's role.
        shell().presentAlert = [this](QWidget*, const Alert& a) {
            m_alerts << a;
            return a.role(m_answer);
        };
        shell().showOpenPanel = [this] { ++m_panels; };
        shell().openUrl = [this](const QUrl& url) {
            m_opened << url;
            return true;
        };
        shell().showInFileManager = [this](const QString& path) {
            m_opened << QUrl::fromLocalFile(path);
        };
        shell().setStartupDelay(50);
    }
    void cleanup() { stopApplication(); }

    // Windows and open panels after each action, with and without a document given.
    void startupActions_data()
    {
        QTest::addColumn<qint64>("tag");
        QTest::addColumn<bool>("given");
        QTest::addColumn<int>("windows");
        QTest::addColumn<int>("panels");
        QTest::newRow("0, nothing given: one untitled") << qint64(0) << false << 1 << 0;
        QTest::newRow("1, nothing given: the panel") << qint64(1) << false << 0 << 1;
        QTest::newRow("1, a document given: no panel") << qint64(1) << true << 1 << 0;
        QTest::newRow("2, a document given: the panel still") << qint64(2) << true << 1 << 1;
        QTest::newRow("2, nothing given") << qint64(2) << false << 0 << 1;
        QTest::newRow("3, the startup document") << qint64(3) << false << 1 << 0;
    }
    void startupActions()
    {
        QFETCH(qint64, tag);
        QFETCH(bool, given);
        const QString startupPath = writeDocument("start.quillory");
        if (tag == 3)
            QVERIFY(shell().startupDocument().choose(startupPath));
        launch(tag, given ? QStringList{writeDocument("given.quillory")} : QStringList{});
        QTEST(int(m_app->windows().size()), "windows");
        QTEST(m_panels, "panels");
        QVERIFY(m_alerts.isEmpty());
        if (given || tag == 3)
            QCOMPARE(m_app->windows().front()->filePath(),
                     given ? m_scratch->filePath("given.quillory") : startupPath);
    }

    // Action 0 waits its second before looking: a document closed meanwhile is replaced.
    void newDocumentChecksAfterItsDelay()
    {
        m_defaults->setValue("StartupActionTag", 0);
        QSignalSpy finished(&shell(), &Shell::startupFinished);
        shell().carryOutStartupAction(false);
        QCOMPARE(m_app->windows().size(), size_t(1));
        delete m_app->windows().front();
        QVERIFY(finished.wait(3000));
        QCOMPARE(m_app->windows().size(), size_t(1));
    }

    // Either answer to the alert leaves no window; "Open Preferences" shows them.
    void startupDocumentMissing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Cancel") << 1;
        QTest::newRow("Open Preferences") << 0;
    }
    void startupDocumentMissing()
    {
        QFETCH(int, answer);
        m_answer = answer;
        launch(3, {});
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts[0].messageText, StartupDocument::notSpecifiedAlert().messageText);
        QVERIFY(m_app->windows().empty());
        QCOMPARE(shell().preferencesVisible(), answer == 0);
    }

    void openNowAndReveal()
    {
        const QString path = writeDocument("start.quillory");
        QVERIFY(shell().startupDocument().choose(path));
        shell().openStartupDocumentNow();
        QCOMPARE(m_app->windows().size(), size_t(1));
        shell().revealStartupDocument();
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    }

    // Out-of-range panes keep the one shown; quitting closes the window with the documents.
    void preferencePanes()
    {
        PreferencesWindow* prefs = shell().preferences();
        prefs->move(100, 200);
        shell().openPreferences(0);
        QVERIFY(QTest::qWaitForWindowExposed(prefs));
        const int top = prefs->geometry().top();
        const int heightOfGeneral = prefs->height();
        // Each pane's title and content height; out-of-range indexes change nothing; the
        // window grows or shrinks below its top edge.
        const std::tuple<int, const char*, int> steps[] = {
            {2, "Update", 155}, {3, "Update", 155}, {-1, "Update", 155}, {1, "Advanced", 90}};
        for (const auto& [index, title, height] : steps) {
            prefs->setPanelTab(index);
            QCoreApplication::processEvents();
            QCOMPARE(prefs->windowTitle(), title);
            QCOMPARE(prefs->contentHeight(), height);
            QCOMPARE(prefs->geometry().top(), top);
            QCOMPARE(prefs->height() - heightOfGeneral, height - 220);
        }
        prefs->paneBar()->actions().at(2)->trigger();
        QCOMPARE(prefs->windowTitle(), "Update");
        m_app->newDocument();
        QVERIFY(m_app->closeAll());
        QVERIFY(!shell().preferencesVisible());
    }

    // The Advanced pane writes the counter defaults, which open documents follow.
    void counterPreferences()
    {
        PreferencesWindow* prefs = shell().preferences();
        auto boxes = prefs->findChildren<QCheckBox*>();
        auto box = [&](const char* text) -> QCheckBox* {
            for (QCheckBox* b : boxes)
                if (b->text().contains(text))
                    return b;
            return nullptr;
        };
        QCheckBox* leading = box("leading zeros");
        QCheckBox* force = box("total length");
        QVERIFY(leading && force);
        force->setChecked(true);
        QCOMPARE(m_defaults->boolValue("forceLeading0ForField1"), true);
        prefs->findChild<QSpinBox*>()->setValue(6);
        QCOMPARE(m_defaults->integerValue("forcedTotLenField1"), 6);
        // A change made elsewhere shows in the window.
        m_defaults->setValue("useLeading0ForField1", false);
        QVERIFY(!leading->isChecked());
        QVERIFY(!force->isEnabled());
    }

    void demoDocuments()
    {
        shell().openDemoDocuments();
        DemoDocumentsWindow* demo = shell().demoDocumentsWindow();
        QVERIFY(demo && demo->isVisible());
        shell().openDemoDocuments();
        QCOMPARE(shell().demoDocumentsWindow(), demo);
        const QString bundled =
            QFileInfo(test::sourcePath("examples/demo/clients.quillory")).absoluteFilePath();
        QVERIFY(demo->documents().contains(bundled));
        QListWidget* list = demo->documentList();
        QListWidgetItem* item = list->item(int(demo->documents().indexOf(bundled)));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
        QCOMPARE(m_app->windows().size(), size_t(1));
        QCOMPARE(QFileInfo(m_app->windows().front()->filePath()).fileName(), "clients.quillory");
    }

    // A document of a later release: "Go to Download Last Version" leads to our site.
    void newerDocumentLeadsToDownload()
    {
        m_answer = 0;
        auto root = std::make_shared<Dict>();
        root->set("appversion", Value::integer(20000));
        const QString path = m_scratch->writeFile(
            "newer.quillory", KeyedArchiveWriter::archivedData(Value::dict(root)).value());
        QVERIFY(!m_app->openDocument(path));
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts[0].messageText, Alert::newerDocument().messageText);
        QCOMPARE(m_opened, QList<QUrl>{SupportLinks::homePage()});
    }
};

QUILLORY_WINDOW_TEST_MAIN(TestShell)
#include "tst_shell.moc"
