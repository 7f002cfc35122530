#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/runtab.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "prototypes/prototypecommands.h"
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
    const PrototypePtr card = PrototypeCommands::newPrototype(PrototypeSide::OnePerRecord);
    card->path = "<Name>.txt";
    card->text = "card <Name> <#>";
    doc.appendPrototype(card);
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
        w->document().switchMainTabToRun();
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
        RunTab* tab = showRunTab(w);
        const QString dest = m_scratch->filePath("out");
        QVERIFY(QDir().mkpath(dest));

        pressInNext<QMessageBox>("Select Destination…");
        chooseFolderInNextDialog(dest);
        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        QCOMPARE(LocationBookmark::displayPath(doc.selectedDestinationBookmark()), dest);
        QVERIFY(doc.logText.isEmpty()); // choosing does not run

        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        waitForRunEnd(tab);
        QCOMPARE(test::readFile(dest + "/Ann.txt"), "card Ann 1");
        QCOMPARE(test::readFile(dest + "/Bob.txt"), "card Bob 2");
        QVERIFY(doc.logText.contains("Totally created 0 folders and 2 files."));
        QCOMPARE(tab->findChild<QPlainTextEdit*>()->toPlainText(), doc.logText);

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

        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        QTRY_VERIFY(doc.logText.contains("Created file:"));
        QVERIFY(!w->databaseTab()->isEnabled()); // nothing can be edited meanwhile
        QTest::mouseClick(button(tab, "Cancel"), Qt::LeftButton);
        waitForRunEnd(tab);

        const QStringList log = doc.logText.split('\n');
        const qsizetype cancelled = log.indexOf("Run cancelled.");
        QVERIFY(cancelled > 0);
        const QStringList files = QDir(dest).entryList(QDir::Files);
        QVERIFY(files.size() < 20000);
        QCOMPARE(log.filter("Created file:").size(), files.size());
    }

    void clearLogUndoes()
    {
        DocumentWindow* w = m_app->newDocument();
        Document& doc = w->document();
        RunTab* tab = showRunTab(w);
        doc.logText = "\nbefore";
        doc.updateChangeCount();
        auto* view = tab->findChild<QPlainTextEdit*>();
        QTest::mouseClick(button(tab, "Clear Log"), Qt::LeftButton);
        QCOMPARE(view->toPlainText(), "");
        w->actions().undo->trigger();
        QCOMPARE(view->toPlainText(), "\nbefore");
    }
};

QUILLORY_WINDOW_TEST_MAIN(RunTabTest)

#include "tst_runtab.moc"
