#include "app/dialogs/alertbox.h"
#include "app/preferences/preferenceswindow.h"
#include "app/shell/shell.h"
#include "app/shell/singleinstance.h"
#include "app/support/demodocumentswindow.h"
#include "app/update/updatecontroller.h"
#include "app/widgets/databasetab.h"
#include "archive/documentcodec.h"
#include "archive/keyedarchivewriter.h"
#include "core/dict.h"
#include "core/document.h"
#include "shell/releaseinfo.h"
#include "shell/supportlinks.h"
#include "shell/updatepolicy.h"
#include "support/documentbuilder.h"
#include "support/testdata.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QToolBar>
#include <QUrl>

#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillory;

// The application shell around the document windows: startup actions, the startup document,
// the preferences panes, the demo documents, the recovery of documents and the single
// instance.
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

    // The check box of parent whose title holds text.
    static QCheckBox* boxTitled(QWidget* parent, const char* text)
    {
        for (QCheckBox* box : parent->findChildren<QCheckBox*>())
            if (box->text().contains(text))
                return box;
        return nullptr;
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

    // Offers the recovery folder's copies, answering the box (if one comes) with the button
    // titled answer or with Escape; *asked gets the box's text. A box still up after its
    // answer is closed and counted in *stuck.
    std::vector<DocumentWindow*> offerRecovery(const QString& answer, QString* asked, int* stuck)
    {
        QPointer<QMessageBox> answered;
        QTimer watch;
        watch.setInterval(50);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (box == answered) {
                ++*stuck;
                box->done(0);
                return;
            }
            answered = box;
            *asked = box->text();
            if (answer == "Escape")
                return QTest::keyClick(box, Qt::Key_Escape);
            for (QAbstractButton* b : box->buttons())
                if (b->text() == answer)
                    b->click();
        });
        watch.start();
        return m_app->offerRecovery();
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
        QTest::newRow("1, a document given: no panel") << qint64(1) << true << 1 << 0;
        QTest::newRow("2, a document given: the panel still") << qint64(2) << true << 1 << 1;
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

    // Help > About names the release and where the user guide is.
    void aboutNamesTheReleaseTheLicenceAndTheGuide()
    {
        DocumentWindow* w = activated(m_app->newDocument());
        QString shown;
        onNextModal<QMessageBox>([&shown](QMessageBox* box) {
            shown = shownMessage(box);
            box->accept();
        });
        menuItem(w, "Help", "About Quillory")->trigger();
        QVERIFY2(shown.contains("Release " + ReleaseInfo::releaseString()), qPrintable(shown));
        QVERIFY2(shown.contains("Licence: proprietary, all rights reserved."), qPrintable(shown));
        const QString guide = Shell::userGuidePath();
        QVERIFY2(shown.contains(guide.isEmpty() ? "The user guide is not installed."
                                                : "User guide: " + guide),
                 qPrintable(shown));
    }

    // The Update pane's daily check is the first launch's question answered: once chosen
    // there, launching asks nothing and, switched off, fetches nothing.
    void theUpdatePaneAnswersTheFirstLaunchQuestion()
    {
        shell().openPreferences(2);
        QCheckBox* daily = boxTitled(shell().preferences(), "Check daily");
        QVERIFY(daily && daily->isChecked());
        QTest::mouseClick(daily, Qt::LeftButton, {}, QPoint(4, daily->height() / 2));
        QVERIFY(!m_defaults->boolValue("notifyUpdate"));
        shell().updates().launchProcedure();
        QVERIFY(m_alerts.isEmpty());
        QVERIFY(!shell().updates().isChecking());
    }

    // The Advanced pane writes the counter defaults, which open documents follow.
    void counterPreferences()
    {
        PreferencesWindow* prefs = shell().preferences();
        QCheckBox* leading = boxTitled(prefs, "leading zeros");
        QCheckBox* force = boxTitled(prefs, "total length");
        QVERIFY(leading && force);
        force->setChecked(true);
        QCOMPARE(m_defaults->boolValue("forceLeading0ForField1"), true);
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
        // Escape puts the window away; opening it again shows the same one.
        QVERIFY(QTest::qWaitForWindowActive(demo));
        QTest::keyClick(demo->documentList(), Qt::Key_Escape);
        QVERIFY(!demo->isVisible());
        shell().openDemoDocuments();
        QCOMPARE(shell().demoDocumentsWindow(), demo);
        QVERIFY(demo->isVisible());
        const QString bundled =
            QFileInfo(test::sourcePath("examples/demo/clients.quillory")).absoluteFilePath();
        QVERIFY(demo->documents().contains(bundled));
        QListWidget* list = demo->documentList();
        QListWidgetItem* item = list->item(int(demo->documents().indexOf(bundled)));
        const QByteArray installed = test::readFile(bundled);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
        QCOMPARE(m_app->windows().size(), size_t(1));
        // An untitled copy: Save asks where, and the installed document stays as it is.
        DocumentWindow* copy = m_app->windows().front();
        QCOMPARE(copy->filePath(), QString());
        QCOMPARE(copy->windowTitle(), "clients copy[*] — Quillory");
        QVERIFY(!copy->isWindowModified());
        QVERIFY(copy->document().dataArray().size() > 0);
        copy->actions().addRecord->trigger();
        QString suggested;
        onNextModal<QFileDialog>([&](QFileDialog* saver) {
            suggested = saver->findChild<QLineEdit*>("fileNameEdit")->text();
            saver->reject();
        });
        menuItem(copy, "File", "Save")->trigger();
        QCOMPARE(suggested, "clients copy.quillory");
        QCOMPARE(test::readFile(bundled), installed);
        // A second click makes a second copy; the first untitled document is still "Untitled".
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
        QCOMPARE(m_app->windows().size(), size_t(2));
        QCOMPARE(m_app->newDocument()->windowTitle(), "Untitled[*] — Quillory");
    }

    // Every alert in use: Escape answers its Cancel (the only button when it has one), and a
    // confirmation of a deletion waits on Cancel so that Return deletes nothing.
    void escapeAndReturnAnswerEveryAlertSafely_data()
    {
        QTest::addColumn<Alert>("alert");
        QTest::addColumn<QString>("defaultButton");
        QTest::addColumn<int>("escape");
        const auto row = [](const char* name, const Alert& alert, const char* defaultButton,
                            Alert::Role escape) {
            QTest::newRow(name) << alert << QString(defaultButton) << int(escape);
        };
        row("Delete Field", Alert::deleteKey("Name"), "Cancel", Alert::Cancel);
        row("Delete Checked", Alert::deleteCheckedRecords(3), "Cancel", Alert::Cancel);
        row("Delete Record, several", Alert::deleteSelectedRecords(2), "Cancel", Alert::Cancel);
        row("run, no destination", Alert::destinationNotSet(), "Cancel", Alert::Cancel);
        row("run, destination gone", Alert::destinationNeedsReset(), "Cancel", Alert::Cancel);
        row("import, no column mapped", Alert::noColumnImported(41), "Cancel", Alert::Cancel);
        row("newer document", Alert::newerDocument(), "Go to Download Last Version", Alert::Cancel);
        row("no startup document", StartupDocument::notSpecifiedAlert(), "Open Preferences",
            Alert::Cancel);
        row("update available", UpdatePolicy::updateAvailableAlert(10102, 10200), "Download Update",
            Alert::Cancel);
        row("up to date", UpdatePolicy::upToDateAlert(), "Go to Norvane Download Page",
            Alert::Cancel);
        row("no connection", UpdatePolicy::failedAlert(), "OK", Alert::Ok);
        row("first launch, check for releases?", UpdateController::updateCheckQuestion(),
            "Don't Check", Alert::Cancel);
    }
    void escapeAndReturnAnswerEveryAlertSafely()
    {
        QFETCH(Alert, alert);
        DocumentWindow* w = m_app->newDocument();
        QString defaultButton;
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            onNextModal<QMessageBox>([&](QMessageBox* box) {
                defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
                QTest::keyClick(box, key);
            });
            const Alert::Role answer = showAlert(w, alert);
            if (key == Qt::Key_Escape)
                QTEST(int(answer), "escape");
            else
                QCOMPARE(answer, alert.role(alert.buttons.indexOf(defaultButton)));
        }
        QTEST(defaultButton, "defaultButton");
    }

    // A copy belongs to the instance that writes it while that one runs: another launch
    // neither offers nor removes it. Once its owner is gone (killed here) the copy is offered;
    // Escape decides nothing, and Reopen makes it this instance's own.
    void recoveryCopiesOfARunningInstanceStayItsOwn()
    {
        const QString folder = m_scratch->filePath("recovery");
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t other = ::fork();
        if (other == 0) {
            // The other instance: a document with unsaved changes, its copy written, running on.
            Document doc;
            test::fillDocument(doc, {"Name"}, {{"Ann"}});
            RecoveryStore store(folder);
            const char saved = store.save(doc, "other", QString()) ? 'y' : 'n';
            (void)!::write(ready[1], &saved, 1);
            ::pause();
            ::_exit(0);
        }
        // Whatever fails below, the other instance does not outlive the test.
        bool otherRuns = true;
        const auto reap = qScopeGuard([&] {
            if (otherRuns) {
                ::kill(other, SIGKILL);
                ::waitpid(other, nullptr, 0);
            }
        });
        char saved = 0;
        QCOMPARE(::read(ready[0], &saved, 1), ssize_t(1));
        ::close(ready[0]);
        ::close(ready[1]);
        QCOMPARE(saved, 'y');
        const QString copy = folder + "/other.quillory";

        QString asked;
        int stuck = 0;
        QVERIFY(offerRecovery("Discard", &asked, &stuck).empty());
        QCOMPARE(asked, QString());
        RecoveryStore(folder).remove("other");
        QVERIFY(QFileInfo::exists(copy));

        ::kill(other, SIGKILL);
        QCOMPARE(::waitpid(other, nullptr, 0), other);
        otherRuns = false;
        QVERIFY(offerRecovery("Escape", &asked, &stuck).empty());
        QCOMPARE(asked, "Quillory quit while 1 document(s) had unsaved changes.");
        QCOMPARE(stuck, 0);
        QVERIFY(QFileInfo::exists(copy));
        const std::vector<DocumentWindow*> reopened = offerRecovery("Reopen", &asked, &stuck);
        QCOMPARE(reopened.size(), size_t(1));
        QCOMPARE(reopened[0]->document().dataArray().size(), size_t(1));
        QVERIFY(reopened[0]->isWindowModified());
        QVERIFY(RecoveryStore(folder).list().empty());
    }

    // A second launch hands its documents (relative to where it started) to the running
    // instance and exits 0; the running one opens them, or brings forward the window that has
    // one open. A socket left by a crashed instance is taken over.
    void aSecondLaunchHandsItsDocumentsOver_data()
    {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<bool>("alreadyOpen");
        QTest::addColumn<bool>("crashedBefore");
        QTest::addColumn<QStringList>("windows");
        QTest::newRow("two documents") << QStringList{"a.quillory", "b.quillory"} << false << false
                                       << QStringList{"a.quillory", "b.quillory"};
        QTest::newRow("one already open")
            << QStringList{"a.quillory"} << true << false << QStringList{"a.quillory"};
        QTest::newRow("after a crash")
            << QStringList{"a.quillory"} << false << true << QStringList{"a.quillory"};
        QTest::newRow("none: a new window") << QStringList{} << false << false << QStringList{""};
    }
    void aSecondLaunchHandsItsDocumentsOver()
    {
        QFETCH(QStringList, given);
        QFETCH(bool, alreadyOpen);
        QFETCH(bool, crashedBefore);
        QFETCH(QStringList, windows);
        qputenv("XDG_RUNTIME_DIR", m_scratch->path().toUtf8());
        const QString socket = SingleInstance::defaultSocketPath();
        QVERIFY(socket.startsWith(m_scratch->path()));
        for (const char* name : {"a.quillory", "b.quillory"})
            writeDocument(name);
        if (alreadyOpen)
            QVERIFY(m_app->openDocument(m_scratch->filePath("a.quillory")));
        if (crashedBefore) {
            // What a crash leaves: the socket file, with nobody listening.
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, QFile::encodeName(socket).constData(),
                     sizeof address.sun_path);
            QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
            ::close(fd);
        }
        SingleInstance first;
        QCOMPARE(first.start({}), SingleInstance::Start::Running);
        QVERIFY(first.isListening());
        connect(&first, &SingleInstance::documentsHandedOver, m_app.get(),
                &Application::openHandedOver);

        QProcess second;
        second.setWorkingDirectory(m_scratch->path());
        // Should it run on its own after all, it finds no copies of ours to offer.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_STATE_HOME", m_scratch->filePath("state"));
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(QUILLORY_APP_BINARY), given);
        QVERIFY(second.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QStringList open;
        QTRY_COMPARE(int(m_app->windows().size()), int(windows.size()));
        for (DocumentWindow* w : m_app->windows())
            open << QFileInfo(w->filePath()).fileName();
        QCOMPARE(open, windows);
    }

    // The application takes SIGINT, SIGTERM and SIGHUP through the run's handlers, which remove
    // the temporary file a run is writing before the process ends, and ignores SIGXFSZ so that
    // a file size limit fails the write with a message; as the command-line tool does.
    void aKilledWindowRunLeavesNoTemporaryFile()
    {
        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_STATE_HOME", m_scratch->filePath("state"));
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(QUILLORY_APP_BINARY),
                  {"--new-instance", writeDocument("a.quillory")});
        QVERIFY(app.waitForStarted());
        const auto reap = qScopeGuard([&] {
            app.kill();
            app.waitForFinished();
        });
        const QString status = QStringLiteral("/proc/%1/status").arg(app.processId());
        // The signal masks of /proc, by their name ("SigCgt": caught, "SigIgn": ignored).
        const auto mask = [&status](const char* name) {
            QFile file(status);
            if (!file.open(QIODevice::ReadOnly))
                return quint64(0);
            for (const QByteArray& line : file.readAll().split('\n'))
                if (line.startsWith(name))
                    return line.mid(line.indexOf(':') + 1).trimmed().toULongLong(nullptr, 16);
            return quint64(0);
        };
        const auto bits = [](std::initializer_list<int> signals_) {
            quint64 all = 0;
            for (int signal : signals_)
                all |= quint64(1) << (signal - 1);
            return all;
        };
        // Until the program runs (past exec), the masks are those of this test.
        const QString binary = QFileInfo(QStringLiteral(QUILLORY_APP_BINARY)).canonicalFilePath();
        QTRY_COMPARE_WITH_TIMEOUT(
            QFileInfo(QStringLiteral("/proc/%1/exe").arg(app.processId())).canonicalFilePath(),
            binary, 10000);
        const quint64 handled = bits({SIGINT, SIGTERM, SIGHUP});
        QTRY_COMPARE_WITH_TIMEOUT(mask("SigCgt:") & handled, handled, 10000);
        QTRY_COMPARE(mask("SigIgn:") & bits({SIGXFSZ}), bits({SIGXFSZ}));
        // Ended by the signal, as the handler raises it again once the files are gone.
        app.terminate();
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitStatus(), QProcess::CrashExit);
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
