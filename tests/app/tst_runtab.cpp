#include "app/document/documentwindow.h"
#include "app/document/windowstate.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/logview.h"
#include "app/widgets/runtab.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "core/tabids.h"
#include "merge/runlog.h"
#include "prototypes/prototypeside.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "windowtest.h"

#include <QApplication>
#include <QColor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QUrl>

#include <memory>

using namespace quillory;

namespace {

QPushButton* button(QWidget* parent, const QString& text)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    qFatal("no button %s", qPrintable(text));
}

// Goes to folder in the next folder chooser and presses Select.
void chooseFolderInNextDialog(const QString& folder)
{
    pressInNext<QFileDialog>("Select", [folder](QFileDialog* d) { d->setDirectory(folder); });
}

// Prototypes made from (path, text) pairs, One per Record, folders for paths ending in "/".
void addPrototypes(Document& doc, const QList<QStringList>& prototypes)
{
    for (const QStringList& p : prototypes) {
        const PrototypePtr proto = newPrototype(PrototypeSide::OnePerRecord);
        proto->path = p[0];
        proto->isFolder = p[0].endsWith('/');
        if (proto->isFolder)
            proto->path.chop(1);
        proto->text = p.value(1);
        doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), proto);
    }
}

// A One per Record file <Name>.txt holding "card <Name> <#>".
void addCards(Document& doc, const QList<QStringList>& rows)
{
    test::fillDocument(doc, {"Name"}, rows);
    addPrototypes(doc, {{"<Name>.txt", "card <Name> <#>"}});
}

// The text colour of each line the view shows ("" where it has none of its own).
QStringList lineColours(QPlainTextEdit* view)
{
    QStringList colours;
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
        const QList<QTextLayout::FormatRange> formats = b.layout()->formats();
        colours << (formats.isEmpty() ? QString() : formats[0].format.foreground().color().name());
    }
    return colours;
}

// Takes the URLs the application hands to the desktop, in place of a file manager.
class DesktopStandIn : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
    Q_INVOKABLE void open(const QUrl& url) { opened << url; }
};

} // namespace

class RunTabTest : public QObject, private WindowTestBase
{
    Q_OBJECT

    RunTab* showRunTab(DocumentWindow* w)
    {
        w->state().showMainTab(TabIds::kRun);
        return w->runTab();
    }
    static void waitForRunEnd(RunTab* tab)
    {
        QTRY_VERIFY_WITH_TIMEOUT(button(tab, "Run")->isEnabled(), 60000);
    }

private slots:
    void init() { startApplication(); }
    void cleanup() { stopApplication(); }

    void runAsksForADestinationThenRuns()
    {
        DocumentWindow* w = m_app->newDocument();
        Document& doc = w->document();
        addCards(doc, {{"Ann"}, {"Bob"}});
        RunTab* tab = w->runTab();
        const QString dest = m_scratch->filePath("out");
        QVERIFY(QDir().mkpath(dest));

        // Run shows its tab first, then asks for the missing destination.
        QString question;
        pressInNext<QMessageBox>("Select Destination…",
                                 [&](QMessageBox* box) { question = shownMessage(box); });
        chooseFolderInNextDialog(dest);
        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        QCOMPARE(question, Alert::destinationNotSet().messageText);
        QCOMPARE(w->tabs()->currentWidget(), tab);
        QCOMPARE(LocationBookmark::displayPath(doc.selectedDestinationBookmark()), dest);
        const RunLogText& log = w->state().runLog();
        QVERIFY(log.text().isEmpty()); // choosing does not run

        // The log is the window's: a run leaves the document as it was.
        doc.markSaved();
        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        waitForRunEnd(tab);
        QCOMPARE(test::readFile(dest + "/Ann.txt"), "card Ann 1");
        QCOMPARE(test::readFile(dest + "/Bob.txt"), "card Bob 2");
        QVERIFY(log.text().contains("Totally created 0 folders and 2 files."));
        QCOMPARE(tab->logView()->toPlainText(), log.text());
        QVERIFY(!doc.isDocumentEdited());
        QVERIFY(!w->isWindowModified());

        // Without a file manager service the folder holding the destination opens.
        DesktopStandIn desktop;
        QDesktopServices::setUrlHandler("file", &desktop, "open");
        QTest::mouseClick(button(tab, "Show in File Manager"), Qt::LeftButton);
        QTRY_COMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(m_scratch->path())});
        QDesktopServices::unsetUrlHandler("file");
    }

    void cancelStopsALongRunEarly()
    {
        DocumentWindow* w = m_app->newDocument();
        Document& doc = w->document();
        QList<QStringList> rows;
        for (int i = 0; i < 20000; ++i)
            rows << QStringList{QStringLiteral("n%1").arg(i + 1)};
        addCards(doc, rows);
        RunTab* tab = showRunTab(w);
        const QString dest = m_scratch->filePath("out");
        QVERIFY(QDir().mkpath(dest));
        chooseFolderInNextDialog(dest);
        QTest::mouseClick(button(tab, "Choose…"), Qt::LeftButton);

        const RunLogText& log = w->state().runLog();
        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        QTRY_VERIFY(log.text().contains("Created file:"));
        QVERIFY(!w->databaseTab()->isEnabled()); // nothing can be edited meanwhile
        QTest::mouseClick(button(tab, "Cancel"), Qt::LeftButton);
        waitForRunEnd(tab);

        const QStringList lines = log.text().split('\n');
        const qsizetype cancelled = lines.indexOf("Run cancelled.");
        QVERIFY(cancelled > 0);
        const QStringList files = QDir(dest).entryList(QDir::Files);
        QVERIFY(files.size() < 20000);
        QCOMPARE(lines.filter("Created file:").size(), files.size());
        QCOMPARE(tab->summaryBar()->findChild<QLabel*>("runSummaryText")->text(),
                 QStringLiteral("Run cancelled. Created 0 folders and %1 · 0 skipped · 0 failed")
                     .arg(files.size() == 1 ? QStringLiteral("1 file")
                                            : QStringLiteral("%1 files").arg(files.size())));
        QVERIFY(!button(tab, "Show Only Skipped and Failed")->isEnabled());
    }

    // Two pupils of the same name, a name a file cannot have and a file where a class folder
    // should go: the bar sums the run up and picks its problems out of the log.
    void theSummarySaysWhatWasSkippedAndWhatFailed()
    {
        DocumentWindow* w = m_app->newDocument();
        Document& doc = w->document();
        test::fillDocument(doc, {"Name", "Class"},
                           {{"Ann", "C1"}, {"Ann", "C1"}, {"Bob", "C2"}, {"a:b", "C1"}});
        addPrototypes(doc, {{"<Class>/"}, {"<Class>/<Name>.txt", "<Name>"}});
        const QString dest = m_scratch->filePath("out");
        QVERIFY(QDir().mkpath(dest));
        QVERIFY(!m_scratch->writeFile("out/C2", "in the way").isEmpty());
        doc.setDestination(true, LocationBookmark::make(dest, LocationBookmark::Access::ReadWrite));
        RunTab* tab = showRunTab(w);
        QVERIFY(!tab->summaryBar()->isVisible());
        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        waitForRunEnd(tab);

        const QString log = w->state().runLog().text();
        QVERIFY(tab->summaryBar()->isVisible());
        QCOMPARE(tab->summaryBar()->findChild<QLabel*>("runSummaryText")->text(),
                 QStringLiteral("Created 1 folder and 1 file · 1 skipped · 2 failed"));
        // The log keeps every line; the view colours errors red and skips amber.
        const QColor redColour = tab->logView()->colourOf(RunLog::LineKind::Error);
        const QColor amberColour = tab->logView()->colourOf(RunLog::LineKind::Skipped);
        QVERIFY(redColour.hsvSaturation() > 128 && amberColour.hsvSaturation() > 128);
        QVERIFY((redColour.hsvHue() + 20) % 360 < 40);
        QVERIFY(amberColour.hsvHue() > 25 && amberColour.hsvHue() < 55);
        const QString red = redColour.name(), amber = amberColour.name();
        // The lines' words are the run's (tests/merge); here: the skip, the write failure
        // and the rejection's two lines, between the opening and the closing rules.
        const QStringList lines = log.split('\n');
        const QStringList colours{"", "", "", "", "", amber, red, "", red, red, "", "", "", ""};
        QCOMPARE(lines.size(), colours.size());
        QVERIFY2(lines[5].startsWith("Skipped") && lines[9].contains("record n. 4"),
                 qPrintable(log));
        QCOMPARE(tab->logView()->toPlainText(), log);
        QCOMPARE(lineColours(tab->logView()), colours);
        // A dark theme takes lighter shades at once.
        const QPalette light = tab->logView()->palette();
        QPalette dark = light;
        dark.setColor(QPalette::Base, Qt::black);
        tab->logView()->setPalette(dark);
        const QString darkRed = tab->logView()->colourOf(RunLog::LineKind::Error).name();
        const QString darkAmber = tab->logView()->colourOf(RunLog::LineKind::Skipped).name();
        QVERIFY(darkRed != red && darkAmber != amber);
        QCOMPARE(
            lineColours(tab->logView()),
            QStringList(colours).replaceInStrings(red, darkRed).replaceInStrings(amber, darkAmber));
        tab->logView()->setPalette(light);

        // The button shows the skipped and failed lines only, then every line again.
        QPushButton* only = button(tab, "Show Only Skipped and Failed");
        QTest::mouseClick(only, Qt::LeftButton);
        QCOMPARE(tab->logView()->toPlainText().split('\n'),
                 QStringList({lines[5], lines[6], lines[8], lines[9]}));
        QCOMPARE(lineColours(tab->logView()), QStringList({amber, red, red, red}));
        QCOMPARE(only->text(), QStringLiteral("Show All Lines"));
        QTest::mouseClick(only, Qt::LeftButton);
        QCOMPARE(tab->logView()->toPlainText(), log);

        // Shown again after a clean run only what that run made; a cleared log has no summary.
        QVERIFY(QFile::remove(dest + "/C2"));
        QTest::mouseClick(only, Qt::LeftButton);
        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        waitForRunEnd(tab);
        QVERIFY(!tab->logView()->showsOnlyProblems());
        QCOMPARE(tab->summaryBar()->findChild<QLabel*>("runSummaryText")->text(),
                 QStringLiteral("Created 1 folder and 1 file · 2 skipped · 1 failed"));
        QTest::mouseClick(only, Qt::LeftButton);
        QCOMPARE(tab->logView()->toPlainText().split('\n').size(), 4);
        QTest::mouseClick(button(tab, "Clear Log"), Qt::LeftButton);
        QVERIFY(!tab->summaryBar()->isVisible());
        QCOMPARE(tab->logView()->toPlainText(), QString());

        // A rejection's message in words of its own turns red when its error line follows,
        // even when the run's pieces reach the view in two batches.
        tab->logView()->append(RunLog::pathRejected("The text is too large"));
        QCOMPARE(lineColours(tab->logView()), QStringList({"", "", ""}));
        tab->logView()->append(RunLog::allInOneError("list.txt"));
        QCOMPARE(lineColours(tab->logView()), QStringList({"", "", red, red, ""}));
    }

    // Tags that match no field are asked about once; Escape runs nothing. A field's tag that
    // no record fills is asked about in words of its own.
    void unknownTagsAskBeforeARun()
    {
        DocumentWindow* w = m_app->newDocument();
        Document& doc = w->document();
        test::fillDocument(doc, {"Prénom", "Classe"}, {{"Ann", "C1"}});
        addPrototypes(doc, {{"<Prenom>.txt", "<Classe >"}, {"<Classe >/"}, {"ok.txt", "<Prenom>"}});
        const QString dest = m_scratch->filePath("out");
        QVERIFY(QDir().mkpath(dest));
        doc.setDestination(true, LocationBookmark::make(dest, LocationBookmark::Access::ReadWrite));
        RunTab* tab = showRunTab(w);
        QSignalSpy asked(tab, &RunTab::runRequested);
        // Presses Run and answers with Escape or the button named: the question asked; why
        // holds its informative text.
        QString why;
        const auto runAnswering = [tab, &why](const QString& answer) {
            QString question;
            onNextModal<QMessageBox>([&](QMessageBox* box) {
                question = shownMessage(box);
                why = box->informativeText();
                if (answer == "Escape")
                    return QTest::keyClick(box, Qt::Key_Escape);
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == answer)
                        b->click();
            });
            QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
            return question;
        };

        QCOMPARE(runAnswering("Escape"), QStringLiteral("3 Prototypes use tags that match no "
                                                        "field: <Prenom>, <Classe >. Run anyway?"));
        QCOMPARE(asked.count(), 1);
        QVERIFY(!tab->isRunning());
        QCOMPARE(QDir(dest).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QVERIFY(w->state().runLog().text().isEmpty());

        doc.removePrototype(0);
        doc.removePrototype(0);
        QCOMPARE(
            runAnswering("Run Anyway"),
            QStringLiteral("1 Prototype uses a tag that matches no field: <Prenom>. Run anyway?"));
        waitForRunEnd(tab);
        QCOMPARE(test::readFile(dest + "/ok.txt"), "<Prenom>");

        const PrototypePtr list = newPrototype(PrototypeSide::AllInOne);
        list->path = "list <Prénom>.txt";
        doc.insertPrototype(1, list);
        QCOMPARE(runAnswering("Escape"), QStringLiteral("2 Prototypes use tags that the run "
                                                        "cannot fill: <Prenom>, <Prénom>. Run "
                                                        "anyway?"));
        QCOMPARE(why, QStringLiteral("No field matches <Prenom>. No record fills <Prénom> in an "
                                     "All in One name, head or foot. The run writes such tags as "
                                     "they are, in names and in contents."));
        QVERIFY(!QFile::exists(dest + "/list <Prénom>.txt"));

        // A tag named like markup is shown as typed.
        doc.removePrototype(0);
        doc.removePrototype(0);
        addPrototypes(doc, {{"<b>.txt"}});
        QCOMPARE(runAnswering("Escape"),
                 QStringLiteral("1 Prototype uses a tag that matches no field: <b>. Run anyway?"));
    }

    void clearLogUndoes()
    {
        DocumentWindow* w = m_app->newDocument();
        RunTab* tab = showRunTab(w);
        w->state().runLog().append("\nbefore");
        QCOMPARE(tab->logView()->toPlainText(), "\nbefore");
        QTest::mouseClick(button(tab, "Clear Log"), Qt::LeftButton);
        QCOMPARE(tab->logView()->toPlainText(), "");
        QCOMPARE(titleOf(w->actions().undo), QStringLiteral("Undo Clear Log"));
        w->actions().undo->trigger();
        QCOMPARE(tab->logView()->toPlainText(), "\nbefore");
        // An empty log has nothing to clear: no step.
        w->state().runLog().setText(QString());
        w->undoStack().clear();
        QTest::mouseClick(button(tab, "Clear Log"), Qt::LeftButton);
        QVERIFY(!w->actions().undo->isEnabled());
    }
};

QUILLORY_WINDOW_TEST_MAIN(RunTabTest)

#include "tst_runtab.moc"
