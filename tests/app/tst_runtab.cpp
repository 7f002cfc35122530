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
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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

// Presses the button titled text in the next modal window of type T once it is open, after
// prepare has done what a person would do in it first.
template <typename T>
void pressInNext(const QString& text, std::function<void(T*)> prepare = {}, int tries = 200)
{
    QTimer::singleShot(10, [=] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal) {
            QVERIFY2(tries > 0, "no modal window opened");
            return pressInNext<T>(text, prepare, tries - 1);
        }
        if (prepare)
            prepare(modal);
        button(modal, text)->click();
    });
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
        const QStringList log = doc.logText.split('\n');
        QCOMPARE(log.mid(1, 1),
                 QStringList{"Start merging data and save folders inside : " + dest});
        QCOMPARE(log.mid(3, 2), (QStringList{"Created file: Ann.txt", "Created file: Bob.txt"}));
        QCOMPARE(log.at(6), "Totally created 0 folders and 2 files.");
        QCOMPARE(tab->findChild<QPlainTextEdit*>()->toPlainText(), doc.logText);
        tab->findChild<QCheckBox*>()->click(); // the folder's name instead of its path
        QCOMPARE(tab->findChild<QLineEdit*>()->text(), "out");

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
        QCOMPARE(LocationBookmark::displayPath(doc.selectedDestinationBookmark()), dest);

        QTest::mouseClick(button(tab, "Run"), Qt::LeftButton);
        QTRY_VERIFY(doc.logText.contains("Created file:"));
        QVERIFY(!w->databaseTab()->isEnabled()); // nothing can be edited meanwhile
        QTest::mouseClick(button(tab, "Cancel"), Qt::LeftButton);
        waitForRunEnd(tab);
        QVERIFY(w->databaseTab()->isEnabled());

        const QStringList log = doc.logText.split('\n');
        const qsizetype cancelled = log.indexOf("Run cancelled.");
        QVERIFY(cancelled > 0);
        const QStringList files = QDir(dest).entryList(QDir::Files);
        QVERIFY(files.size() < 20000);
        QCOMPARE(log.at(cancelled + 2),
                 QStringLiteral("Totally created 0 folders and %1 files.").arg(files.size()));
        QCOMPARE(log.filter("Created file:").size(), files.size());
        // Every file made is whole: the run stops between files.
        for (const QString& f : files) {
            const QString name = f.chopped(4);
            QCOMPARE(test::readFile(dest + "/" + f),
                     "card " + name + " " + name.mid(1).rightJustified(5, u'0'));
        }
    }

    void clearLogUndoes()
    {
        DocumentWindow* w = m_app->newDocument();
        Document& doc = w->document();
        RunTab* tab = showRunTab(w);
        doc.logText = "\nbefore";
        doc.updateChangeCount();
        auto* view = tab->findChild<QPlainTextEdit*>();
        QCOMPARE(view->toPlainText(), "\nbefore");

        QTest::mouseClick(button(tab, "Clear Log"), Qt::LeftButton);
        QCOMPARE(doc.logText, "");
        QCOMPARE(view->toPlainText(), "");
        QCOMPARE(doc.undoManager().undoActionName(), "Clear Log");
        w->actions().undo->trigger();
        QCOMPARE(doc.logText, "\nbefore");
        QCOMPARE(view->toPlainText(), "\nbefore");
        w->actions().redo->trigger();
        QCOMPARE(view->toPlainText(), "");
    }
};

QUILLORY_WINDOW_TEST_MAIN(RunTabTest)

#include "tst_runtab.moc"
