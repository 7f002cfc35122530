#include "app/dialogs/importsettingsdialog.h"
#include "app/document/documentwindow.h"
#include "app/document/windowstate.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/previewtab.h"
#include "app/widgets/runtab.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "core/tabids.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "support/testdata.h"
#include "windowtest.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <QWindow>

using namespace quillory;

namespace {

// Drags with the left button held from from (in widget) by offset, as a hand does.
void drag(QWidget* widget, QPoint from, QPoint offset)
{
    const auto send = [widget](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step)
        send(QEvent::MouseMove, from + offset * step / 4, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from + offset, Qt::NoButton);
}

// Drags a splitter's first handle by offset pixels.
void dragSplitter(QSplitter* splitter, int offset)
{
    QSplitterHandle* handle = splitter->handle(1);
    const QPoint by =
        splitter->orientation() == Qt::Horizontal ? QPoint(offset, 0) : QPoint(0, offset);
    drag(handle, handle->rect().center(), by);
}

// Drags the right edge of a table's column by offset pixels.
void dragColumnEdge(QTableView* table, int column, int offset)
{
    QHeaderView* header = table->horizontalHeader();
    const QPoint edge(header->sectionViewportPosition(column) + header->sectionSize(column) - 1,
                      header->height() / 2);
    drag(header->viewport(), edge, QPoint(offset, 0));
}

QSplitter* verticalSplitter(QWidget* tab)
{
    for (QSplitter* splitter : tab->findChildren<QSplitter*>())
        if (splitter->orientation() == Qt::Vertical)
            return splitter;
    return nullptr;
}

QList<int> columnWidths(QTableView* table)
{
    QList<int> widths;
    for (int column = 0; column < table->horizontalHeader()->count(); ++column)
        widths << table->columnWidth(column);
    return widths;
}

// Drags the files over target's window and drops them at target's centre, as from a file
// manager; whether the window took the drop.
bool dropFiles(QWidget* target, const QStringList& files)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    mime.setUrls(urls);
    QWindow* window = target->window()->windowHandle();
    const QPoint at = target->mapTo(target->window(), target->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(window, &leave);
        return false;
    }
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

// Types text into a line edit in place of what it holds, then leaves it as asked: Return, or
// Tab to the next control.
void typeOver(QLineEdit* field, const QString& text, bool pressReturn = true)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    if (pressReturn)
        QTest::keyClick(field, Qt::Key_Return);
    else
        QTest::keyClick(field, Qt::Key_Tab);
}

QString destinationPath(const Document& doc)
{
    return LocationBookmark::displayPath(doc.selectedDestinationBookmark()).value_or(QString());
}

} // namespace

class WindowMemoryTest : public QObject, WindowTestBase
{
    Q_OBJECT

    // The document of openSavedWindow, opened again.
    DocumentWindow* reopen()
    {
        // A closed window goes from the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return activated(m_app->openDocument(m_scratch->filePath("opened.quillory")));
    }

private slots:
    void init() { startApplication(); }
    void cleanup() { stopApplication(); }

    void aReopenedDocumentShowsTheSizesItWasClosedWith()
    {
        DocumentWindow* w =
            openSavedWindow({"Name", "City", "Note"}, {{"Ann", "Rome", "x"}, {"Bob", "Oslo", "y"}});
        w->resize(780, 500);
        // The platform reports the new size from its event loop.
        QTest::qWait(50);
        auto* dbSplitter = w->databaseTab()->findChild<QSplitter*>();
        QTableView* records = w->databaseTab()->recordTable();
        const int firstPane = dbSplitter->sizes().constFirst();
        const int nameWidth = records->columnWidth(kFirstUserKeyIndex);
        dragSplitter(dbSplitter, 30);
        dragColumnEdge(records, kFirstUserKeyIndex, 45);
        w->tabs()->setCurrentIndex(3);
        QSplitter* vertical = verticalSplitter(w->previewTab());
        QVERIFY(vertical);
        const int upperPane = vertical->sizes().constFirst();
        dragSplitter(vertical, -40);
        // The drags took: what is compared below is what a person chose.
        QVERIFY(dbSplitter->sizes().constFirst() > firstPane);
        QCOMPARE(records->columnWidth(kFirstUserKeyIndex), nameWidth + 45);
        QVERIFY(vertical->sizes().constFirst() < upperPane);
        const QSize size = w->size();
        const QList<int> dbSizes = dbSplitter->sizes();
        const QList<int> previewSizes = vertical->sizes();
        const QList<int> recordWidths = columnWidths(records);
        QVERIFY(w->close());

        w = reopen();
        QCOMPARE(w->size(), size);
        QCOMPARE(w->databaseTab()->findChild<QSplitter*>()->sizes(), dbSizes);
        // All but the last column, which fills what is left.
        QCOMPARE(columnWidths(w->databaseTab()->recordTable()).mid(0, 4), recordWidths.mid(0, 4));
        w->tabs()->setCurrentIndex(3);
        QSplitter* verticalAgain = verticalSplitter(w->previewTab());
        QCOMPARE(verticalAgain->sizes(), previewSizes);
    }

    void columnsFitTheirFirstRowsOnly()
    {
        // A longer name sits below the first rows: measuring it would mean reading every row,
        // which a table of 100,000 records cannot afford.
        const QFontMetrics metrics(QApplication::font("QTableView"));
        QString longer = "W";
        while (metrics.horizontalAdvance(longer) < 150)
            longer += u'W';
        QList<QStringList> rows;
        rows << QStringList{"Ann", "Saint-Remy-de-Provence", "-"};
        for (int i = 1; i < 600; ++i)
            rows << QStringList{i == 500 ? longer : "Bob", "Oslo", "-"};
        DocumentWindow* w = openSavedWindow({"Name", "City", "Note"}, rows);
        QTableView* records = w->databaseTab()->recordTable();
        const int name = kFirstUserKeyIndex;
        QVERIFY(records->viewport()->width() / 2 > metrics.horizontalAdvance(longer));
        QVERIFY2(records->columnWidth(name + 1) >
                     metrics.horizontalAdvance("Saint-Remy-de-Provence"),
                 qPrintable(QString::number(records->columnWidth(name + 1))));
        QVERIFY2(records->columnWidth(name) < metrics.horizontalAdvance(longer),
                 qPrintable(QString::number(records->columnWidth(name))));
    }

    void saveAsRemembersTheLayoutUnderTheNewFile()
    {
        DocumentWindow* w = activated(m_app->newDocument());
        w->resize(610, 430);
        const QSize size = w->size();
        const QString path = m_scratch->filePath("named.quillory");
        // A document never saved has no file to remember anything by.
        QVERIFY(m_app->documentMemory().recall(path, "window").isEmpty());
        QVERIFY(w->saveAs(path));
        QVERIFY(!m_app->documentMemory().recall(path, "window").isEmpty());
        // Gone without closing: only Save As remembered the size.
        delete w;
        w = activated(m_app->openDocument(path));
        QCOMPARE(w->size(), size);
    }

    void aWindowRememberedOffScreenComesBackOnScreen()
    {
        DocumentWindow* w = openSavedWindow();
        // As on a second monitor that is unplugged before the document opens again.
        w->move(6000, 4000);
        QVERIFY(w->close());
        w = reopen();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.intersects(w->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2").arg(w->x()).arg(w->y())));
    }

    void droppedDocumentsOpenOnceEach()
    {
        DocumentWindow* first = openSavedWindow();
        Document other(m_defaults.get());
        const QString otherPath = m_scratch->filePath("other.quillory");
        QVERIFY(DocumentCodec::writeToFile(other, otherPath));
        const QString picture = m_scratch->writeFile("picture.png", "\x89PNG");

        QVERIFY(!dropFiles(first->databaseTab(), {picture}));
        QVERIFY(dropFiles(first->runTab(), {otherPath}));
        QTRY_COMPARE(m_app->windows().size(), size_t(2));
        DocumentWindow* second = m_app->windows().back();
        QCOMPARE(QFileInfo(second->filePath()).fileName(), "other.quillory");

        // Dropped again, the open document is only brought forward.
        QVERIFY(activated(first) == first);
        QVERIFY(dropFiles(first->databaseTab(), {otherPath}));
        QTRY_COMPARE(QApplication::activeWindow(), second);
        QCOMPARE(m_app->windows().size(), size_t(2));
    }

    // Rows: the tab dropped on, the files dropped, whether the window takes them; then what a
    // taken file shows: the sheet menu (workbooks only) and the second record's first fields.
    void aTableDroppedOnTheDatabaseTabIsImported_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QStringList>("secondRecord");
        QTest::addColumn<int>("imported");
        const QStringList text{"Ann", "Rome"};
        QTest::newRow("a CSV file on the database tab")
            << "db" << QStringList{"people.csv"} << true << "" << text << 2;
        QTest::newRow("a TSV file") << "db" << QStringList{"people.TSV"} << true << "" << text << 2;
        // Read as the spreadsheet shows it, from its first sheet.
        QTest::newRow("a workbook") << "db" << QStringList{"people.xlsx"} << true << "Clients"
                                    << QStringList{"Zoë Ångström", "1.5"} << 3;
        QTest::newRow("on the run tab")
            << "run" << QStringList{"people.csv"} << false << "" << QStringList{} << 0;
        QTest::newRow("two files at once")
            << "db" << QStringList{"people.csv", "more.csv"} << false << "" << QStringList{} << 0;
        QTest::newRow("not a table")
            << "db" << QStringList{"people.png"} << false << "" << QStringList{} << 0;
    }
    void aTableDroppedOnTheDatabaseTabIsImported()
    {
        QFETCH(QString, tab);
        QFETCH(QStringList, files);
        QFETCH(bool, taken);
        DocumentWindow* w = openSavedWindow({"Name", "City"}, {{"Old", "Bern"}});
        QStringList paths;
        for (const QString& file : files) {
            paths << m_scratch->writeFile(file, "Ann\tRome\nBob\tOslo\n");
            if (file.endsWith(".xlsx"))
                QVERIFY(QFile::remove(paths.last()) &&
                        QFile::copy(test::testDataPath("exchange/workbooks/people.xlsx"),
                                    paths.last()));
        }
        w->state().showMainTab(tab);
        QWidget* target = tab == TabIds::kRun ? static_cast<QWidget*>(w->runTab())
                                              : w->databaseTab()->recordTable();
        QString sheet = "not shown";
        if (taken)
            onNextModal<ImportSettingsDialog>([&sheet](ImportSettingsDialog* settings) {
                sheet = settings->sheetMenu() ? settings->sheetMenu()->currentText() : QString();
                click(settings, "mapInCascade");
                click(settings, "importButton");
            });
        QCOMPARE(dropFiles(target, paths), taken);
        if (!taken) {
            QTest::qWait(50);
            QCOMPARE(w->document().dataArray().size(), size_t(1));
            return;
        }
        QTRY_VERIFY(sheet != "not shown");
        QTEST(sheet, "sheet");
        QFETCH(int, imported);
        QTRY_COMPARE(w->document().dataArray().size(), size_t(1 + imported));
        QAbstractItemModel* records = w->databaseTab()->recordTable()->model();
        QTEST((QStringList{records->index(1, kFirstUserKeyIndex).data().toString(),
                           records->index(1, kFirstUserKeyIndex + 1).data().toString()}),
              "secondRecord");
        const QString name = QFileInfo(paths.constFirst()).fileName();
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Imported %1 records from %2")
                                                       .arg(w->document().dataArray().size() - 1)
                                                       .arg(name));
        QCOMPARE(w->undoStack().undoName(), "Import of " + name);
    }

    void aTypedDestinationIsChosenAsChooseWouldChooseIt()
    {
        DocumentWindow* w = openSavedWindow();
        w->state().showMainTab(TabIds::kRun);
        auto* field = w->runTab()->findChild<QLineEdit*>("destinationField");
        auto* problem = w->runTab()->findChild<QLabel*>("destinationProblem");
        QVERIFY(field && problem);
        QVERIFY(!field->isReadOnly());
        const QString out = QDir(m_scratch->path()).filePath("out");
        QVERIFY(QDir().mkpath(out));

        typeOver(field, out);
        QCOMPARE(destinationPath(w->document()), out);
        QCOMPARE(field->text(), out);
        QCOMPARE(w->undoStack().undoName(), "Choose Destination");
        QVERIFY(!problem->isVisible());

        // A folder that is not there is named, and nothing changes.
        const QString missing = QDir(m_scratch->path()).filePath("missing");
        typeOver(field, missing);
        QVERIFY(problem->isVisible());
        QCOMPARE(problem->text(), "The folder '" + missing + "' does not exist.");
        QCOMPARE(destinationPath(w->document()), out);
        QCOMPARE(field->text(), missing);

        typeOver(field, "out", false);
        QVERIFY(problem->text().startsWith("Type the full path of a folder"));
        QCOMPARE(destinationPath(w->document()), out);

        // Leaving the field chooses too; undo puts back the folder before, as for Choose….
        const QString other = QDir(m_scratch->path()).filePath("other");
        QVERIFY(QDir().mkpath(other));
        typeOver(field, other + "/", false);
        QCOMPARE(destinationPath(w->document()), other);
        QVERIFY(!problem->isVisible());
        w->undoStack().undo();
        QCOMPARE(field->text(), out);
    }

    void fileDialogsStartInTheDocumentsFolder()
    {
        DocumentWindow* saved = openSavedWindow();
        const QString folder = m_scratch->path();
        QStringList started;
        const auto noteAndCancel = [&started](QFileDialog* dialog) {
            started << QDir(dialog->directory()).absolutePath();
            dialog->reject();
        };
        onNextModal<QFileDialog>(noteAndCancel);
        saved->actions().open->trigger();
        onNextModal<QFileDialog>(noteAndCancel);
        saved->runTab()->chooseDestination();
        onNextModal<QFileDialog>(noteAndCancel);
        saved->actions().import->trigger();
        QCOMPARE(started, QStringList(3, QDir(folder).absolutePath()));

        // A document never saved starts where the last dialog ended.
        const QString elsewhere = QDir(folder).filePath("elsewhere");
        QVERIFY(QDir().mkpath(elsewhere));
        DocumentWindow* untitled = activated(m_app->newDocument());
        onNextModal<QFileDialog>([elsewhere](QFileDialog* saver) {
            enterFile(saver, QDir(elsewhere).filePath("named.quillory"));
        });
        QVERIFY(untitled->saveAs());
        DocumentWindow* another = activated(m_app->newDocument());
        started.clear();
        onNextModal<QFileDialog>(noteAndCancel);
        another->actions().open->trigger();
        QCOMPARE(started, QStringList{elsewhere});
    }
};

QUILLORY_WINDOW_TEST_MAIN(WindowMemoryTest)

#include "tst_windowmemory.moc"
