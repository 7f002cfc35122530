#include "app/dialogs/exportflow.h"
#include "app/dialogs/exportsettingsdialog.h"
#include "app/dialogs/importfiledialog.h"
#include "app/dialogs/importflow.h"
#include "app/dialogs/importsettingsdialog.h"
#include "app/widgets/databasetab.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "support/testdata.h"
#include "windowtest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace quillory;

namespace {

QStringList values(const Document& doc, const Record& r)
{
    QStringList out;
    for (size_t i = kFirstUserKeyIndex; i < doc.keyArray().size(); ++i)
        out << r->value(doc.keyArray()[i].innerKey).toString();
    return out;
}

const QString kSkip = QStringLiteral("Do not import");

// What the menus above the grid's columns show, in column order.
QStringList menuTexts(const ImportSettingsDialog* settings)
{
    QStringList out;
    for (int column = 0; column < settings->previewGrid()->columnCount(); ++column)
        out << settings->destinationMenu(column)->currentText();
    return out;
}

// The grid's row titles, top to bottom.
QStringList rowTitles(const QTableWidget* grid)
{
    QStringList out;
    for (int row = 0; row < grid->rowCount(); ++row)
        out << grid->verticalHeaderItem(row)->text();
    return out;
}

// Clicks the tab titled title of the settings' views.
void showTab(ImportSettingsDialog* settings, const QString& title)
{
    auto* views = settings->findChild<QTabWidget*>("importViews");
    QTabBar* bar = views->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->tabText(i) == title)
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
    QCOMPARE(bar->tabText(views->currentIndex()), title);
}

// The texts of a list's items, top to bottom.
QStringList itemTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Clicks the field named name among those left out, then Add, as a person does.
void addField(ExportSettingsDialog* settings, const QString& name)
{
    auto* left = settings->findChild<QListWidget*>("fieldsLeftOut");
    const QList<QListWidgetItem*> found = left->findItems(name, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(name));
    QTest::mouseClick(left->viewport(), Qt::LeftButton, {},
                      left->visualItemRect(found.front()).center());
    click(settings, "addSelected");
}

} // namespace

class ImportExportTest : public QObject, public WindowTestBase
{
    Q_OBJECT

    QWidget m_window;
    test::ScratchFolder m_scratch;

private slots:
    void initTestCase() { m_window.show(); }

    void importMapsColumnsChosenInTheSettings()
    {
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, {"Name", "City"}, {{"Old", "Bern"}});
        doc.markSaved();
        const QString path =
            m_scratch.writeFile("people.csv", "name;age;town\nAnn;30;Rome\nBob;41;Oslo\n");
        onNextModal<ImportFileDialog>([path](ImportFileDialog* files) {
            choose(files->findChild<QComboBox*>("importFormat"), "Semicolon-separated");
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([](ImportSettingsDialog* settings) {
                QCOMPARE(settings->previewGrid()->columnCount(), 3);
                QVERIFY(!settings->sheetMenu()); // only workbooks have sheets
                // "name" names the Name field: the first row starts as a header, left out.
                QCOMPARE(menuTexts(settings), (QStringList{"Name", kSkip, kSkip}));
                QVERIFY(settings->findChild<QCheckBox*>("firstRowHoldsNames")->isChecked());
                choose(settings->destinationMenu(2), "City");
                choose(settings->destinationMenu(1), "New field");
                click(settings, "importButton");
            });
        });
        QVERIFY(importIntoDocument(&m_window, stack));

        QCOMPARE(doc.keyArray().size(), size_t(5));
        QCOMPARE(values(doc, doc.dataArray()[1]), (QStringList{"Ann", "Rome", "30"}));
        QCOMPARE(values(doc, doc.dataArray()[2]), (QStringList{"Bob", "Oslo", "41"}));
        // The header row takes a counter although it makes no record.
        QCOMPARE(doc.dataArray()[2]->value(kCounterKey).toInteger(), 4);
        // The new field and the records are one step, named after the file.
        QCOMPARE(stack.count(), size_t(1));
        QCOMPARE(stack.undoName(), QStringLiteral("Import of people.csv"));
        stack.undo();
        QCOMPARE(test::publicKeys(doc), (QStringList{"#", "sel", "Name", "City"}));
        QCOMPARE(doc.dataArray().size(), size_t(1));
    }

    void theMenusOfferTheFieldsAndMarkImportedColumns()
    {
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, {"Name", ""}, {});
        doc.markSaved();
        const QString path = m_scratch.writeFile("pairs.csv", "a,b,c\n");
        QStringList menu, shown;
        onNextModal<ImportFileDialog>([path, &menu, &shown](ImportFileDialog* files) {
            choose(files->findChild<QComboBox*>("importFormat"), "Comma-separated");
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([&menu, &shown](ImportSettingsDialog* settings) {
                for (int i = 0; i < settings->destinationMenu(0)->count(); ++i)
                    menu << settings->destinationMenu(0)->itemText(i);
                // What each column's menu shows; then the count.
                const auto show = [&] {
                    shown << menuTexts(settings)
                          << settings->findChild<QLabel*>("importedFieldCount")->text();
                };
                show();
                choose(settings->destinationMenu(0), "Name");
                choose(settings->destinationMenu(2), "New field");
                show();
                // The field goes to the later column; the first is then not imported.
                choose(settings->destinationMenu(1), "Name");
                show();
                click(settings, "mapInCascade");
                show();
                // Row by row, the same choices, each imported column marked.
                showTab(settings, "Row by Row");
                QTableWidget* table = settings->mappingTable();
                for (int column = 0; column < 3; ++column)
                    shown << qobject_cast<QComboBox*>(
                                 table->cellWidget(column, ImportSettingsDialog::DestinationColumn))
                                 ->currentText()
                          << table->item(column, ImportSettingsDialog::MarkColumn)->text();
                choose(qobject_cast<QComboBox*>(
                           table->cellWidget(2, ImportSettingsDialog::DestinationColumn)),
                       "New field");
                shown << menuTexts(settings);
                settings->reject();
            });
        });
        QVERIFY(!importIntoDocument(&m_window, stack));

        // The separators are items without text; a nameless field shows as "-".
        QCOMPARE(menu, (QStringList{"Do not import", "", "New field", "", "Name", "-"}));
        const QString mark = QStringLiteral("\u00BB");
        QCOMPARE(shown, (QStringList{kSkip,      kSkip,  kSkip,       "Imported fields: 0", //
                                     "Name",     kSkip,  "New field", "Imported fields: 2", //
                                     kSkip,      "Name", "New field", "Imported fields: 2", //
                                     "Name",     "-",    kSkip,       "Imported fields: 2", //
                                     "Name",     mark,   "-",         mark,
                                     kSkip,      "",     "Name",      "-",
                                     "New field"}));
    }

    void thePreviewShowsAFieldThatHoldsLineEnds()
    {
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, {"Note"}, {});
        doc.markSaved();
        const QString path = m_scratch.writeFile(
            "notes.csv", "\"line one\r\nline \"\"two\"\"\",x\r\n\"a,b\",\"c\nd\"\r\n");
        QStringList shown;
        onNextModal<ImportFileDialog>([path, &shown](ImportFileDialog* files) {
            choose(files->findChild<QComboBox*>("importFormat"), "Comma-separated");
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([&shown](ImportSettingsDialog* settings) {
                shown << settings->previewGrid()->item(0, 0)->text()
                      << settings->previewGrid()->item(1, 1)->text();
                showTab(settings, "Row by Row");
                QTableWidget* table = settings->mappingTable();
                QCOMPARE(table->rowCount(), 2);
                const auto label = settings->findChild<QLabel*>("shownRow");
                shown << label->text() << table->item(0, ImportSettingsDialog::ValueColumn)->text();
                click(settings, "nextRow");
                shown << label->text() << table->item(1, ImportSettingsDialog::ValueColumn)->text();
                click(settings, "mapAllToNewFields");
                click(settings, "importButton");
            });
        });
        QVERIFY(importIntoDocument(&m_window, stack));

        QCOMPARE(shown, (QStringList{"line one\nline \"two\"", "c\nd", "Row 1 of 2",
                                     "line one\nline \"two\"", "Row 2 of 2", "c\nd"}));
        QCOMPARE(values(doc, doc.dataArray()[0]).mid(1),
                 (QStringList{"line one\nline \"two\"", "x"}));
    }

    void cancellingTheSettingsLeavesTheDocumentAlone()
    {
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, {"Name"}, {});
        doc.markSaved();
        const QString path = m_scratch.writeFile("names.txt", "Ann\nBob\n");
        onNextModal<ImportFileDialog>([path](ImportFileDialog* files) {
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([](ImportSettingsDialog* settings) {
                click(settings, "mapInCascade");
                settings->reject();
            });
        });
        QVERIFY(!importIntoDocument(&m_window, stack));
        QVERIFY(doc.dataArray().empty());
        QVERIFY(!doc.isDocumentEdited());
        QVERIFY(!stack.canUndo());
    }

    // Rows: the document's fields, the file, the settings as they open (the first-row box, the
    // box that names new fields after it, the menus above the columns, the grid's row titles),
    // a command pressed before Import, and the fields and first record after it.
    void theSettingsOpenOnTheGuessOfTheFirstRow_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("firstRow");
        QTest::addColumn<bool>("headerNames");
        QTest::addColumn<QStringList>("menus");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("fieldsAfter");
        QTest::addColumn<QStringList>("firstRecord");
        QTest::newRow("names of fields, whatever their case and accents")
            << QStringList{"Name", "Prénom", "City"}
            << "PRENOM;City;Age\nAnn;Rome;30\nBob;Oslo;41\n"
            << true << false << QStringList{"Prénom", "City", kSkip}
            << QStringList{"Names", "2", "3"} << ""
            << QStringList{"#", "sel", "Name", "Prénom", "City"} << QStringList{"", "Ann", "Rome"};
        QTest::newRow("an empty document: every column a new field named after its header")
            << QStringList{} << "Who;Age\nAnn;30\nBob;41\n"
            << true << true << QStringList{"New field", "New field"}
            << QStringList{"Names", "2", "3"} << "" << QStringList{"#", "sel", "Who", "Age"}
            << QStringList{"Ann", "30"};
        QTest::newRow("text like the rows below: no header, nothing mapped")
            << QStringList{"Name"} << "Ann;Rome\nBob;Oslo\n"
            << false << false << QStringList{kSkip, kSkip} << QStringList{"1", "2"}
            << "mapInCascade" << QStringList{"#", "sel", "Name"} << QStringList{"Ann"};
    }
    void theSettingsOpenOnTheGuessOfTheFirstRow()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, file);
        QFETCH(QString, command);
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, fields, {});
        const QString path = m_scratch.writeFile("guess.csv", file.toUtf8());
        bool firstRow = false, headerNames = false;
        QStringList menus, rows;
        onNextModal<ImportFileDialog>([&](ImportFileDialog* files) {
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([&](ImportSettingsDialog* settings) {
                firstRow = settings->findChild<QCheckBox*>("firstRowHoldsNames")->isChecked();
                headerNames =
                    settings->findChild<QCheckBox*>("headerNamesForNewFields")->isChecked();
                menus = menuTexts(settings);
                rows = rowTitles(settings->previewGrid());
                if (!command.isEmpty())
                    click(settings, qPrintable(command));
                click(settings, "importButton");
            });
        });
        QVERIFY(importIntoDocument(&m_window, stack));
        QTEST(firstRow, "firstRow");
        QTEST(headerNames, "headerNames");
        QTEST(menus, "menus");
        QTEST(rows, "rows");
        QTEST(test::publicKeys(doc), "fieldsAfter");
        QTEST(values(doc, doc.dataArray()[0]), "firstRecord");
    }

    // Reset leaves every column out, the guessed header too; Import then asks first, with
    // Cancel the answer of Return and Escape, and makes records of counters only when told to.
    void resetLeavesEveryColumnOutAndImportAsksFirst()
    {
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, {"Name", "City"}, {{"Old", "Bern"}});
        const QString path = m_scratch.writeFile("named.csv", "name;city\nAnn;Rome\nBob;Oslo\n");
        QStringList shown;
        onNextModal<ImportFileDialog>([&](ImportFileDialog* files) {
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([&](ImportSettingsDialog* settings) {
                auto* box = settings->findChild<QCheckBox*>("firstRowHoldsNames");
                shown << menuTexts(settings);
                click(settings, "resetMapping");
                shown << menuTexts(settings)
                      << settings->findChild<QLabel*>("importedFieldCount")->text()
                      << (box->isChecked() ? "header" : "no header");
                for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
                    onNextModal<QMessageBox>([&shown, key](QMessageBox* asked) {
                        shown << asked->text() << asked->defaultButton()->text();
                        QTest::keyClick(asked, key);
                    });
                    click(settings, "importButton");
                    QVERIFY(settings->isVisible());
                }
                // With the first row imported as well, the question counts it.
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
                shown << rowTitles(settings->previewGrid());
                pressInNext<QMessageBox>("Import",
                                         [&shown](QMessageBox* asked) { shown << asked->text(); });
                click(settings, "importButton");
            });
        });
        QVERIFY(importIntoDocument(&m_window, stack));
        const QString asked = QStringLiteral(
            "No column is imported: 2 records will hold only their counter. Import anyway?");
        QCOMPARE(shown, (QStringList{"Name", "City", kSkip, kSkip, "Imported fields: 0", "header",
                                     asked, "Cancel", asked, "Cancel", "1", "2", "3",
                                     "No column is imported: 3 records will hold only their "
                                     "counter. Import anyway?"}));
        QCOMPARE(doc.dataArray().size(), size_t(4));
        QCOMPARE(values(doc, doc.dataArray()[3]), (QStringList{"", ""}));
        QCOMPARE(doc.dataArray()[3]->value(kCounterKey).toInteger(), 4);
    }

    // The grid shows the first twenty rows; its menus stay above their columns as it scrolls.
    void theGridShowsTheFirstRowsUnderTheirMenus()
    {
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, {"Name"}, {});
        QByteArray file;
        for (int row = 0; row < 30; ++row) {
            QStringList cells;
            for (int column = 0; column < 12; ++column)
                cells << QStringLiteral("r%1c%2 some text").arg(row + 1).arg(column + 1);
            file += cells.join(u';').toUtf8() + '\n';
        }
        const QString path = m_scratch.writeFile("wide.csv", file);
        onNextModal<ImportFileDialog>([&](ImportFileDialog* files) {
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([&](ImportSettingsDialog* settings) {
                const auto close = qScopeGuard([settings] { settings->reject(); });
                QTableWidget* grid = settings->previewGrid();
                QCOMPARE(grid->rowCount(), ImportSettingsDialog::kGridRows);
                QCOMPARE(grid->columnCount(), 12);
                QCOMPARE(grid->item(19, 11)->text(), "r20c12 some text");
                QHeaderView* header = grid->horizontalHeader();
                const auto menuFollowsItsColumn = [&](int column) {
                    QComboBox* menu = settings->destinationMenu(column);
                    QCOMPARE(menu->geometry().left(), header->sectionViewportPosition(column));
                    QCOMPARE(menu->width(), header->sectionSize(column));
                };
                menuFollowsItsColumn(0);
                QVERIFY(header->sectionViewportPosition(11) > grid->viewport()->width());
                grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
                QCoreApplication::processEvents();
                menuFollowsItsColumn(11);
                QVERIFY(grid->viewport()->rect().contains(
                    settings->destinationMenu(11)->geometry().center()));
                header->resizeSection(11, 300);
                menuFollowsItsColumn(11);
                choose(settings->destinationMenu(11), "Name");
                QCOMPARE(settings->findChild<QLabel*>("importedFieldCount")->text(),
                         "Imported fields: 1");
            });
        });
        QVERIFY(!importIntoDocument(&m_window, stack));
    }

    // The format, the encoding and the header choice of a document's last import are where
    // its next import starts, after the window was closed and the document opened again; a
    // document never saved remembers nothing.
    void theNextImportStartsFromTheLastOne()
    {
        startApplication();
        const auto stop = qScopeGuard([this] { stopApplication(); });
        DocumentWindow* w = openSavedWindow({"Name", "City"});
        const QString document = w->filePath();
        const QString first = m_scratch.writeFile("first.csv", "Ann;Rome\nBob;Oslo\n");
        const QString second = m_scratch.writeFile("second.csv", "Who;Where\nEve;Paris\n");
        struct Shown
        {
            QString format, encoding;
            bool firstRow = false;
        };
        const auto importFile = [&](DocumentWindow* window, const QString& file, bool chooseAll,
                                    const char* command) {
            Shown shown;
            onNextModal<ImportFileDialog>([&](ImportFileDialog* files) {
                shown.format = files->findChild<QComboBox*>("importFormat")->currentText();
                shown.encoding = files->findChild<QComboBox*>("importEncoding")->currentText();
                if (chooseAll) {
                    choose(files->findChild<QComboBox*>("importFormat"), "Semicolon-separated");
                    choose(files->findChild<QComboBox*>("importEncoding"), "ISO-8859-1");
                }
                enterFile(files, file);
                onNextModal<ImportSettingsDialog>([&](ImportSettingsDialog* settings) {
                    auto* box = settings->findChild<QCheckBox*>("firstRowHoldsNames");
                    shown.firstRow = box->isChecked();
                    if (chooseAll)
                        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
                    click(settings, command);
                    click(settings, "importButton");
                });
            });
            menuItem(window, "File", "Import")->trigger();
            return shown;
        };
        // Nothing in either file says "header": the first time the user says so.
        const Shown before = importFile(w, first, true, "mapInCascade");
        QCOMPARE(before.format, "Automatic");
        QCOMPARE(before.encoding, "Automatic");
        QVERIFY(!before.firstRow);
        menuItem(w, "File", "Save")->trigger();
        w->close();
        QTRY_VERIFY(m_app->windows().empty());

        DocumentWindow* again = activated(m_app->openDocument(document));
        const Shown after = importFile(again, second, false, "mapInCascade");
        QCOMPARE(after.format, "Semicolon-separated");
        QCOMPARE(after.encoding, "ISO-8859-1");
        QVERIFY(after.firstRow);
        QCOMPARE(again->document().dataArray().size(), size_t(2));
        QCOMPARE(values(again->document(), again->document().dataArray()[1]),
                 (QStringList{"Eve", "Paris"}));

        const Shown untitled =
            importFile(activated(m_app->newDocument()), first, false, "mapAllToNewFields");
        QCOMPARE(untitled.format, "Automatic");
        QVERIFY(!untitled.firstRow);
    }

    // A workbook opens on its first sheet; the sheet menu shows another, which is imported.
    void aWorkbookSheetIsChosenInTheSettings()
    {
        startApplication();
        const auto stop = qScopeGuard([this] { stopApplication(); });
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        const QString book = test::testDataPath("exchange/workbooks/people.xlsx");
        QStringList sheets, firstShown, secondShown;
        onNextModal<ImportFileDialog>([&](ImportFileDialog* files) {
            enterFile(files, book);
            onNextModal<ImportSettingsDialog>([&](ImportSettingsDialog* settings) {
                QComboBox* menu = settings->sheetMenu();
                QVERIFY(menu && menu->isVisible());
                for (int i = 0; i < menu->count(); ++i)
                    sheets << menu->itemText(i);
                QTableWidget* grid = settings->previewGrid();
                firstShown << grid->item(1, 0)->text() << grid->item(1, 2)->text();
                choose(menu, "Second");
                for (int column = 0; column < grid->columnCount(); ++column)
                    secondShown << grid->item(1, column)->text();
                click(settings, "mapAllToNewFields");
                click(settings, "importButton");
            });
        });
        menuItem(w, "File", "Import")->trigger();
        QCOMPARE(sheets, (QStringList{"Clients", "Empty", "Second"}));
        QCOMPARE(firstShown, (QStringList{"Zoë Ångström", "05/03/1984"}));
        QCOMPARE(secondShown, (QStringList{"7", "seven"}));
        // The record table shows the sheet's last row under the two new fields.
        QTableView* records = w->databaseTab()->recordTable();
        const int last = records->model()->rowCount() - 1;
        QCOMPARE(records->model()->index(last, 3).data().toString(), QStringLiteral("7"));
        QCOMPARE(records->model()->index(last, 4).data().toString(), QStringLiteral("seven"));
    }

    // A file that is not text is refused with a message before any of it is imported.
    void aFileThatIsNotTextIsRefused()
    {
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, {"Name"}, {});
        doc.markSaved();
        const QString path =
            m_scratch.writeFile("photo.csv", QByteArray("Ann\nBob\n\0\0\x89PNG", 13));
        QString why;
        onNextModal<ImportFileDialog>([&](ImportFileDialog* files) {
            enterFile(files, path);
            onNextModal<QMessageBox>([&](QMessageBox* box) {
                why = box->informativeText();
                box->accept();
            });
        });
        QVERIFY(!importIntoDocument(&m_window, stack));
        QCOMPARE(why, QStringLiteral("photo.csv holds NUL bytes: it is not a text file (for UTF-16 "
                                     "or UTF-32 text without a byte-order mark, name its "
                                     "encoding)."));
        QVERIFY(doc.dataArray().empty());
        QVERIFY(!doc.isDocumentEdited());
    }

    // Rows: the file's bytes, the encoding chosen, the values shown, the notice above them, and
    // the values after its button reads the file again (none: no button pressed).
    void theEncodingMenuReadsTheFileAsChosen_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QStringList>("readAgain");
        const QByteArray windows("Pr\xE9nom;H\xE9l\xE8ne \x80\n");
        const QString fallback = "names.csv is not UTF-8; it was read as Mac OS Roman. If the "
                                 "text looks wrong, try Windows-1252";
        QTest::newRow("Windows-1252 read automatically: Mac OS Roman, and a notice")
            << windows << "Automatic" << QStringList{"Pr\u00C8nom", "H\u00C8l\u00CBne \u00C4"}
            << fallback << QStringList{"Pr\u00E9nom", "H\u00E9l\u00E8ne \u20AC"};
        QTest::newRow("Windows-1252 chosen")
            << windows << "Windows-1252" << QStringList{"Pr\u00E9nom", "H\u00E9l\u00E8ne \u20AC"}
            << "" << QStringList{};
        QTest::newRow("ISO-8859-15") << QByteArray("\xA4;\xBD\n") << "ISO-8859-15"
                                     << QStringList{"\u20AC", "\u0153"} << "" << QStringList{};
        QTest::newRow("ISO-8859-1") << QByteArray("\xA4;\xBD\n") << "ISO-8859-1"
                                    << QStringList{"\u00A4", "\u00BD"} << "" << QStringList{};
        // Without a mark, read automatically it would be valid UTF-8 with NULs.
        QTest::newRow("UTF-16 Little Endian")
            << QByteArray("N\0a\0;\0x\0\n\0", 10) << "UTF-16 Little Endian"
            << QStringList{"Na", "x"} << "" << QStringList{};
        QTest::newRow("UTF-8 read automatically: no notice")
            << QByteArray("Pr\xC3\xA9nom;x\n") << "Automatic" << QStringList{"Pr\u00E9nom", "x"}
            << "" << QStringList{};
    }
    void theEncodingMenuReadsTheFileAsChosen()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QStringList, readAgain);
        Document doc;
        UndoStack stack(doc);
        test::fillDocument(doc, {"Name"}, {});
        const QString path = m_scratch.writeFile("names.csv", bytes);
        QStringList menu, shown, shownAgain;
        QString notice;
        onNextModal<ImportFileDialog>([&](ImportFileDialog* files) {
            auto* encodings = files->findChild<QComboBox*>("importEncoding");
            for (int i = 0; i < encodings->count(); ++i)
                menu << encodings->itemText(i);
            choose(files->findChild<QComboBox*>("importFormat"), "Semicolon-separated");
            choose(encodings, encoding);
            // An encoding the menu lacks fails the row; the dialog then goes, not the test.
            if (QTest::currentTestFailed())
                return files->reject();
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([&](ImportSettingsDialog* settings) {
                // Closed however the checks below end, so that a failure ends the row.
                const auto close = qScopeGuard([settings] { settings->reject(); });
                const auto values = [settings] {
                    QStringList out;
                    QTableWidget* grid = settings->previewGrid();
                    for (int column = 0; column < grid->columnCount(); ++column)
                        out << grid->item(0, column)->text();
                    return out;
                };
                shown = values();
                auto* label = settings->findChild<QLabel*>("importNotice");
                notice = label->isVisible() ? label->text() : QString();
                if (!readAgain.isEmpty()) {
                    auto* action = settings->findChild<QPushButton*>("importNoticeAction");
                    QCOMPARE(action->text(), "Read as Windows-1252");
                    // What was chosen before reading again stays chosen.
                    click(settings, "mapInCascade");
                    const QString count =
                        settings->findChild<QLabel*>("importedFieldCount")->text();
                    QTest::mouseClick(action, Qt::LeftButton);
                    shownAgain = values();
                    QVERIFY(!label->isVisible());
                    QCOMPARE(settings->destinationMenu(0)->currentText(), "Name");
                    QCOMPARE(settings->findChild<QLabel*>("importedFieldCount")->text(), count);
                }
            });
        });
        QVERIFY(!importIntoDocument(&m_window, stack));
        QCOMPARE(menu, (QStringList{"Automatic", "UTF-8", "UTF-16", "UTF-16 Big Endian",
                                    "UTF-16 Little Endian", "UTF-32", "UTF-32 Big Endian",
                                    "UTF-32 Little Endian", "Windows-1252", "ISO-8859-1",
                                    "ISO-8859-15", "Mac OS Roman", "ASCII"}));
        QTEST(shown, "shown");
        QTEST(notice, "notice");
        QCOMPARE(shownAgain, readAgain);
    }

    void eachExportFormatShowsItsLayout()
    {
        Document doc;
        test::fillDocument(doc, {"Name"}, {{"Ann"}});
        QStringList shown;
        onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
            auto* format = settings->findChild<QComboBox*>("exportFormat");
            const auto text = [settings](const char* name) {
                return settings->findChild<QLineEdit*>(QString::fromLatin1(name));
            };
            for (const char* title : {"Tab-separated", "Comma-separated, quoted", "Comma-separated",
                                      "Semicolon-separated, quoted", "HTML table", "HTML page",
                                      "Workbook (.xlsx)", "Custom"}) {
                choose(format, title);
                // Only the custom layout can be edited.
                shown << text("startOfFile")->text().left(9) + u'|' + text("fieldOpenTag")->text() +
                             u'|' + text("fieldSeparator")->text() + u'|' +
                             (text("fieldSeparator")->isReadOnly() ? "fixed" : "editable");
            }
            settings->reject();
        });
        exportDocument(&m_window, doc, "Letters.quillory");
        QCOMPARE(shown, (QStringList{"||\\t|fixed", "|\"|,|fixed", "||,|fixed", "|\"|;|fixed",
                                     "<table>|<td>||fixed", "<!DOCTYPE|<td>||fixed", "|||fixed",
                                     "|||editable"}));
    }

    void exportShowsTheRecordsAndReportsAFailedWrite()
    {
        Document doc;
        test::fillDocument(doc, {"Name"}, {{"Ann"}});
        // A regular file where a folder should be: no one, root included, can write beneath it.
        QFile plain(m_scratch.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QString shown;
        onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
            click(settings, "addAll");
            click(settings, "exportButton");
            onNextModal<QFileDialog>([&](QFileDialog* saver) {
                onNextModal<QMessageBox>([&](QMessageBox* box) {
                    shown = box->text() + u'\n' + box->informativeText();
                    box->accept();
                });
                enterFile(saver, m_scratch.filePath("plain/out.txt"));
            });
        });
        exportDocument(&m_window, doc, "Letters.quillory");

        QVERIFY2(shown.contains("plain/out.txt") || shown.contains("Not a directory"),
                 qPrintable(shown));
        QCOMPARE(test::readFile(m_scratch.filePath("plain")), QByteArray());

        // The same dialogs with a writable place: the format's extension and the file's bytes.
        QString suggested;
        onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
            click(settings, "addAll");
            choose(settings->findChild<QComboBox*>("exportFormat"), "Comma-separated");
            click(settings, "exportButton");
            onNextModal<QFileDialog>([&](QFileDialog* saver) {
                suggested = saver->selectedFiles().value(0);
                enterFile(saver, m_scratch.filePath("out"));
            });
        });
        exportDocument(&m_window, doc, "Letters.quillory");
        QVERIFY2(suggested.endsWith("/Letters Export.csv"), qPrintable(suggested));
        QCOMPARE(test::readFile(m_scratch.filePath("out.csv")), QByteArray("Ann"));
    }

    // What an export of a saved document confirmed is where its next export starts, after the
    // window was closed and opened again: the fields in their order, the format, the first row.
    // A field deleted since is passed over, as is one added under its freed inner key, and
    // fields added since start left out; a document never saved starts afresh.
    void theNextExportStartsFromTheLastOne()
    {
        startApplication();
        const auto stop = qScopeGuard([this] { stopApplication(); });
        DocumentWindow* w = openSavedWindow({"Name", "City", "Note"}, {{"Ann", "Rome", "x"}});
        const QString document = w->filePath();
        struct Shown
        {
            QString format;
            QStringList left, right;
            bool firstRow = false;
            QString separator;
        };
        // Exports to out (none: gives up in the settings) after making the choices of change.
        const auto exportFrom = [&](DocumentWindow* window, const QString& out,
                                    const std::function<void(ExportSettingsDialog*)>& change) {
            Shown shown;
            onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
                shown.format = settings->findChild<QComboBox*>("exportFormat")->currentText();
                shown.left = itemTexts(settings->findChild<QListWidget*>("fieldsLeftOut"));
                shown.right = itemTexts(settings->findChild<QListWidget*>("fieldsToExport"));
                shown.firstRow = settings->findChild<QCheckBox*>("namesAsFirstRow")->isChecked();
                shown.separator = settings->findChild<QLineEdit*>("fieldSeparator")->text();
                if (change)
                    change(settings);
                if (out.isEmpty())
                    return settings->reject();
                click(settings, "exportButton");
                onNextModal<QFileDialog>([&](QFileDialog* saver) { enterFile(saver, out); });
            });
            menuItem(window, "File", "Export")->trigger();
            return shown;
        };
        const QString first = m_scratch.filePath("next-export-first.csv");
        const Shown fresh = exportFrom(w, first, [](ExportSettingsDialog* settings) {
            for (const char* name : {"Note", "City", "Name"})
                addField(settings, name);
            choose(settings->findChild<QComboBox*>("exportFormat"), "Semicolon-separated, quoted");
            auto* box = settings->findChild<QCheckBox*>("namesAsFirstRow");
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        });
        QCOMPARE(fresh.format, "Tab-separated");
        QCOMPARE(fresh.left, (QStringList{"Name", "City", "Note"}));
        QCOMPARE(fresh.right, QStringList());
        QVERIFY(!fresh.firstRow);
        const QByteArray written("\"Note\";\"City\";\"Name\"\n\"x\";\"Rome\";\"Ann\"");
        QCOMPARE(test::readFile(first), written);
        QCOMPARE(w->statusBar()->currentMessage(), "Exported 1 record to " + first);
        w->close();
        QTRY_VERIFY(m_app->windows().empty());

        DocumentWindow* again = activated(m_app->openDocument(document));
        const QString second = m_scratch.filePath("next-export-second.csv");
        const Shown reopened = exportFrom(again, second, {});
        QCOMPARE(reopened.format, "Semicolon-separated, quoted");
        QCOMPARE(reopened.left, QStringList());
        QCOMPARE(reopened.right, (QStringList{"Note", "City", "Name"}));
        QVERIFY(reopened.firstRow);
        QCOMPARE(test::readFile(second), written);
        again->close();
        QTRY_VERIFY(m_app->windows().empty());

        // The same file, with City deleted, then Email added (taking City's inner key) and Phone.
        DocumentWindow* changed = openSavedWindow({"Name", "Email", "Note", "Phone"});
        QCOMPARE(changed->filePath(), document);
        const Shown afterChanges =
            exportFrom(changed, m_scratch.filePath("next-export-third.txt"),
                       [](ExportSettingsDialog* settings) {
                           choose(settings->findChild<QComboBox*>("exportFormat"), "Custom");
                           QTest::keyClicks(settings->findChild<QLineEdit*>("fieldSeparator"), "|");
                       });
        QCOMPARE(afterChanges.right, (QStringList{"Note", "Name"}));
        QCOMPARE(afterChanges.left, (QStringList{"Email", "Phone"}));
        // A layout of one's own is kept too.
        const Shown custom = exportFrom(changed, {}, {});
        QCOMPARE(custom.format, "Custom");
        QCOMPARE(custom.separator, "|");

        const Shown untitled = exportFrom(activated(m_app->newDocument()), {}, {});
        QCOMPARE(untitled.format, "Tab-separated");
        QCOMPARE(untitled.right, QStringList());
        QVERIFY(!untitled.firstRow);
    }
};

QUILLORY_WINDOW_TEST_MAIN(ImportExportTest)

#include "tst_importexport.moc"
