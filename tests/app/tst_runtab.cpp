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
#include "prototypes/prototypeside.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "windowtest.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
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

// A One per Record file <Name>.txt holding "card <Name> <#>".
void addCards(Document& doc, const QList<QStringList>& rows)
{
    test::fillDocument(doc, {"Name"}, rows);
    const PrototypePtr card = newPrototype(PrototypeSide::OnePerRecord);
    card->path = "<Name>.txt";
    card->text = "card <Name> <#>";
    doc.insertPrototype(0, card);
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
                                 [&](QMessageBox* box) { question = box->text(); });
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
    }

    // A destination folder that went away stays chosen: it works again once it is back.
    void aMissingDestinationStaysChosen()
    {
        DocumentWindow* w = m_app->newDocument();
        Document& doc = w->document();
        addCards(doc, {{"Ann"}});
        RunTab* tab = showRunTab(w);
        const QString dest = m_scratch->filePath("dest");
        QVERIFY(QDir().mkpath(dest));
        chooseFolderInNextDialog(dest);
        QTest::mouseClick(button(tab, "Choose…"), Qt::LeftButton);
        const std::optional<QByteArray> chosen = doc.selectedDestinationBookmark();
        QVERIFY(chosen);
        QVERIFY(QDir().rename(dest, dest + "-away"));

        QString question;
        pressInNext<QMessageBox>("Cancel", [&](QMessageBox* box) { question = box->text(); });
        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        QCOMPARE(question, Alert::destinationNeedsReset().messageText);
        QVERIFY(doc.selectedDestinationDefined());
        QCOMPARE(doc.selectedDestinationBookmark(), chosen);

        QVERIFY(QDir().rename(dest + "-away", dest));
        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        waitForRunEnd(tab);
        QCOMPARE(test::readFile(dest + "/Ann.txt"), "card Ann 1");
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
