#include "app/dialogs/exportflow.h"
#include "app/dialogs/exportsettingsdialog.h"
#include "app/dialogs/importflow.h"
#include "app/dialogs/importsettingsdialog.h"
#include "app/widgets/databasetab.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "support/testdata.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QListWidget>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

using namespace quillory;

namespace {

const QString kSkip = QStringLiteral("Do not import");

// A saved document with the fields and records given, and its undo history.
struct Target
{
    Document doc;
    UndoStack stack{doc};
    Target(const QStringList& fields, const QList<QStringList>& rows = {})
    {
        test::fillDocument(doc, fields, rows);
        doc.markSaved();
    }
    // The values of the user fields of the record at index.
    QStringList values(size_t index) const
    {
        QStringList out;
        for (size_t i = kFirstUserKeyIndex; i < doc.keyArray().size(); ++i)
            out << doc.dataArray()[index]->value(doc.keyArray()[i].innerKey).toString();
        return out;
    }
};

// What the menus above the grid's columns show, in column order.
QStringList menuTexts(const ImportSettingsDialog* settings)
{
    QStringList out;
    for (int column = 0; column < settings->previewGrid()->columnCount(); ++column)
        out << settings->destinationMenu(column)->currentText();
    return out;
}

// The grid's row titles, top to bottom; the cells of its first row.
QStringList rowTitles(const QTableWidget* grid)
{
    QStringList out;
    for (int row = 0; row < grid->rowCount(); ++row)
        out << grid->verticalHeaderItem(row)->text();
    return out;
}
QString firstRow(const QTableWidget* grid)
{
    QStringList out;
    for (int column = 0; column < grid->columnCount(); ++column)
        out << grid->item(0, column)->text();
    return out.join(u'|');
}

QString textOf(const QWidget* parent, const char* name)
{
    return parent->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

QStringList itemTexts(const QComboBox* menu)
{
    QStringList out;
    for (int i = 0; i < menu->count(); ++i)
        out << menu->itemText(i);
    return out;
}
QStringList itemTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Clicks a check box as a person does, on its box.
void toggle(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
}

// Clicks the tab titled title of the settings' views.
void showTab(ImportSettingsDialog* settings, const QString& title)
{
    QTabBar* bar = settings->findChild<QTabWidget*>("importViews")->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->tabText(i) == title)
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
    QCOMPARE(bar->tabText(bar->currentIndex()), title);
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
        Target target({"Name", "City"}, {{"Old", "Bern"}});
        const QString path =
            m_scratch.writeFile("people.csv", "name;age;town\nAnn;30;Rome\nBob;41;Oslo\n");
        answerImport(path, [](ImportSettingsDialog* settings) {
            QCOMPARE(settings->previewGrid()->columnCount(), 3);
            QVERIFY(!settings->sheetMenu()); // only workbooks have sheets
            // "name" names the Name field: the first row starts as a header, left out.
            QCOMPARE(menuTexts(settings), (QStringList{"Name", kSkip, kSkip}));
            QVERIFY(settings->findChild<QCheckBox*>("firstRowHoldsNames")->isChecked());
            choose(settings->destinationMenu(2), "City");
            choose(settings->destinationMenu(1), "New field");
            click(settings, "importButton");
        });
        QVERIFY(importIntoDocument(&m_window, target.stack));

        QCOMPARE(target.doc.keyArray().size(), size_t(5));
        QCOMPARE(target.values(1), (QStringList{"Ann", "Rome", "30"}));
        QCOMPARE(target.values(2), (QStringList{"Bob", "Oslo", "41"}));
        // The header row takes a counter although it makes no record.
        QCOMPARE(target.doc.dataArray()[2]->value(kCounterKey).toInteger(), 4);
        // The new field and the records are one step, named after the file.
        QCOMPARE(target.stack.count(), size_t(1));
        QCOMPARE(target.stack.undoName(), QStringLiteral("Import of people.csv"));
        target.stack.undo();
        QCOMPARE(test::publicKeys(target.doc), (QStringList{"#", "sel", "Name", "City"}));
        QCOMPARE(target.doc.dataArray().size(), size_t(1));
    }

    // The menus above the columns and those of the row-by-row table show the one mapping, and
    // the row-by-row table walks the rows, a value that holds a line end included.
    void theMenusOfferTheFieldsAndMarkImportedColumns()
    {
        Target target({"Name", ""});
        const QString path = m_scratch.writeFile("pairs.csv", "a,\"b1\r\nb2\",c\nd,e,f\n");
        QStringList menu, shown;
        answerImport(path, [&](ImportSettingsDialog* settings) {
            menu = itemTexts(settings->destinationMenu(0));
            const auto show = [&] {
                shown << menuTexts(settings) << textOf(settings, "importedFieldCount");
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
            shown << settings->previewGrid()->item(0, 1)->text();
            // Row by row: each column's value in the row shown, its mark and its menu.
            showTab(settings, "Row by Row");
            QTableWidget* table = settings->mappingTable();
            const auto menuOf = [table](int column) {
                return qobject_cast<QComboBox*>(
                    table->cellWidget(column, ImportSettingsDialog::DestinationColumn));
            };
            shown << textOf(settings, "shownRow");
            for (int column = 0; column < 3; ++column)
                shown << table->item(column, ImportSettingsDialog::ValueColumn)->text()
                      << table->item(column, ImportSettingsDialog::MarkColumn)->text()
                      << menuOf(column)->currentText();
            click(settings, "nextRow");
            shown << textOf(settings, "shownRow")
                  << table->item(1, ImportSettingsDialog::ValueColumn)->text();
            choose(menuOf(2), "New field");
            shown << menuTexts(settings);
            settings->reject();
        });
        QVERIFY(!importIntoDocument(&m_window, target.stack));

        // The separators are items without text; a nameless field shows as "-".
        QCOMPARE(menu, (QStringList{"Do not import", "", "New field", "", "Name", "-"}));
        const QString mark = QStringLiteral("\u00BB");
        QCOMPARE(shown,
                 (QStringList{kSkip,        kSkip,        kSkip,       "Imported fields: 0", //
                              "Name",       kSkip,        "New field", "Imported fields: 2", //
                              kSkip,        "Name",       "New field", "Imported fields: 2", //
                              "Name",       "-",          kSkip,       "Imported fields: 2", //
                              "b1\nb2",     "Row 1 of 2",                                    //
                              "a",          mark,         "Name",                            //
                              "b1\nb2",     mark,         "-",                               //
                              "c",          "",           kSkip,                             //
                              "Row 2 of 2", "e",          "Name",      "-",
                              "New field"}));
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
        Target target(fields);
        bool firstRow = false, headerNames = false;
        QStringList menus, rows;
        answerImport(
            m_scratch.writeFile("guess.csv", file.toUtf8()), [&](ImportSettingsDialog* settings) {
                firstRow = settings->findChild<QCheckBox*>("firstRowHoldsNames")->isChecked();
                headerNames =
                    settings->findChild<QCheckBox*>("headerNamesForNewFields")->isChecked();
                menus = menuTexts(settings);
                rows = rowTitles(settings->previewGrid());
                if (!command.isEmpty())
                    click(settings, qPrintable(command));
                click(settings, "importButton");
            });
        QVERIFY(importIntoDocument(&m_window, target.stack));
        QTEST(firstRow, "firstRow");
        QTEST(headerNames, "headerNames");
        QTEST(menus, "menus");
        QTEST(rows, "rows");
        QTEST(test::publicKeys(target.doc), "fieldsAfter");
        QTEST(target.values(0), "firstRecord");
    }

    // Reset leaves every column out, the guessed header too; Import then asks first, with
    // Cancel the answer of Return and Escape, and makes records of counters only when told to.
    void resetLeavesEveryColumnOutAndImportAsksFirst()
    {
        Target target({"Name", "City"}, {{"Old", "Bern"}});
        const QString path = m_scratch.writeFile("named.csv", "name;city\nAnn;Rome\nBob;Oslo\n");
        QStringList shown;
        answerImport(path, [&](ImportSettingsDialog* settings) {
            auto* box = settings->findChild<QCheckBox*>("firstRowHoldsNames");
            shown << menuTexts(settings);
            click(settings, "resetMapping");
            shown << menuTexts(settings) << textOf(settings, "importedFieldCount")
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
            toggle(box);
            shown << rowTitles(settings->previewGrid());
            pressInNext<QMessageBox>("Import",
                                     [&shown](QMessageBox* asked) { shown << asked->text(); });
            click(settings, "importButton");
        });
        QVERIFY(importIntoDocument(&m_window, target.stack));
        const QString asked = QStringLiteral(
            "No column is imported: 2 records will hold only their counter. Import anyway?");
        QCOMPARE(shown, (QStringList{"Name", "City", kSkip, kSkip, "Imported fields: 0", "header",
                                     asked, "Cancel", asked, "Cancel", "1", "2", "3",
                                     "No column is imported: 3 records will hold only their "
                                     "counter. Import anyway?"}));
        QCOMPARE(target.doc.dataArray().size(), size_t(4));
        QCOMPARE(target.values(3), (QStringList{"", ""}));
        QCOMPARE(target.doc.dataArray()[3]->value(kCounterKey).toInteger(), 4);
    }

    // The grid shows the first twenty rows; its menus stay above their columns as it scrolls.
    // Cancelled, the settings leave the document alone.
    void theGridShowsTheFirstRowsUnderTheirMenus()
    {
        Target target({"Name"});
        QByteArray file;
        for (int row = 0; row < 30; ++row) {
            QStringList cells;
            for (int column = 0; column < 12; ++column)
                cells << QStringLiteral("r%1c%2 some text").arg(row + 1).arg(column + 1);
            file += cells.join(u';').toUtf8() + '\n';
        }
        answerImport(m_scratch.writeFile("wide.csv", file), [&](ImportSettingsDialog* settings) {
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
            QCOMPARE(textOf(settings, "importedFieldCount"), "Imported fields: 1");
        });
        QVERIFY(!importIntoDocument(&m_window, target.stack));
        QVERIFY(target.doc.dataArray().empty());
        QVERIFY(!target.doc.isDocumentEdited());
        QVERIFY(!target.stack.canUndo());
    }

    // Rows: the file's bytes, the items chosen in the format and encoding menus of the settings
    // (by menu name; "notice": the notice's button), the grid's first row (cells apart by "|")
    // before and after each choice, the notice shown first, and what the first column's menu
    // shows at the end: the mapping is kept over another encoding, started afresh for another
    // format.
    void theFormatAndEncodingMenusReadTheFileAgain_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("mappedAfter");
        const QByteArray windows("Pr\xE9nom;H\xE9l\xE8ne \x80\nx;y\n");
        const QString macRoman = "Pr\u00C8nom|H\u00C8l\u00CBne \u00C4";
        const QString right = "Pr\u00E9nom|H\u00E9l\u00E8ne \u20AC";
        const QString fallback = "names.csv is not UTF-8; it was read as Mac OS Roman. If the "
                                 "text looks wrong, try Windows-1252";
        QTest::newRow("Windows-1252 read as Mac OS Roman, then chosen")
            << windows << QStringList{"importEncoding=Windows-1252"} << QStringList{macRoman, right}
            << fallback << "Name";
        QTest::newRow("Windows-1252 read again from the notice")
            << windows << QStringList{"notice"} << QStringList{macRoman, right} << fallback
            << "Name";
        QTest::newRow("ISO-8859-15")
            << QByteArray("\xA4;\xBD\nx;y\n") << QStringList{"importEncoding=ISO-8859-15"}
            << QStringList{"\u00A7|\u03A9", "\u20AC|\u0153"} << fallback << "Name";
        QTest::newRow("ISO-8859-1, then Mac OS Roman again")
            << QByteArray("\xA4;\xBD\nx;y\n")
            << QStringList{"importEncoding=ISO-8859-1", "importEncoding=Mac OS Roman"}
            << QStringList{"\u00A7|\u03A9", "\u00A4|\u00BD", "\u00A7|\u03A9"} << fallback << "Name";
        QTest::newRow("semicolons read as tabs, then as semicolons")
            << QByteArray("Ann;Rome\nBob;Oslo\n")
            << QStringList{"importFormat=Tab-separated", "importFormat=Semicolon-separated"}
            << QStringList{"Ann|Rome", "Ann;Rome", "Ann|Rome"} << "" << kSkip;
        QTest::newRow("commas among semicolons")
            << QByteArray("a,b;c;d\n") << QStringList{"importFormat=Comma-separated"}
            << QStringList{"a,b|c|d", "a|b;c;d"} << "" << kSkip;
    }
    void theFormatAndEncodingMenusReadTheFileAgain()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, choices);
        QFETCH(QStringList, shown);
        Target target({"Name"});
        QStringList seen;
        QString notice;
        answerImport(m_scratch.writeFile("names.csv", bytes), [&](ImportSettingsDialog* settings) {
            const auto close = qScopeGuard([settings] { settings->reject(); });
            auto* label = settings->findChild<QLabel*>("importNotice");
            notice = label->isVisible() ? label->text() : QString();
            seen << firstRow(settings->previewGrid());
            click(settings, "mapInCascade");
            for (const QString& choice : choices) {
                if (choice == "notice") {
                    auto* action = settings->findChild<QPushButton*>("importNoticeAction");
                    QCOMPARE(action->text(), "Read as Windows-1252");
                    QTest::mouseClick(action, Qt::LeftButton);
                    QCOMPARE(settings->encodingMenu()->currentText(), "Windows-1252");
                } else {
                    const QStringList menuAndItem = choice.split(u'=');
                    choose(settings->findChild<QComboBox*>(menuAndItem[0]), menuAndItem[1]);
                }
                seen << firstRow(settings->previewGrid());
            }
            // The notice was about the first reading.
            QVERIFY(!label->isVisible());
            QTEST(settings->destinationMenu(0)->currentText(), "mappedAfter");
        });
        QVERIFY(!importIntoDocument(&m_window, target.stack));
        QCOMPARE(seen, shown);
        QTEST(notice, "notice");
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
        // What the format and encoding menus and the first-row box show as the settings open.
        struct Shown
        {
            QStringList formats, encodings;
            QString format, encoding;
            bool firstRow = false;
        };
        const auto importFile = [&](DocumentWindow* window, const QString& file, bool chooseAll,
                                    const char* command) {
            Shown shown;
            answerImport(file, [&](ImportSettingsDialog* settings) {
                auto* box = settings->findChild<QCheckBox*>("firstRowHoldsNames");
                shown = {itemTexts(settings->formatMenu()), itemTexts(settings->encodingMenu()),
                         settings->formatMenu()->currentText(),
                         settings->encodingMenu()->currentText(), box->isChecked()};
                if (chooseAll) {
                    choose(settings->formatMenu(), "Semicolon-separated");
                    choose(settings->encodingMenu(), "ISO-8859-1");
                    toggle(box);
                }
                click(settings, command);
                click(settings, "importButton");
            });
            menuItem(window, "File", "Import")->trigger();
            return shown;
        };
        // Nothing in either file says "header": the first time the user says so.
        const Shown before = importFile(w, first, true, "mapInCascade");
        QCOMPARE(before.formats, (QStringList{"Automatic", "Tab-separated", "Comma-separated",
                                              "Semicolon-separated"}));
        QCOMPARE(before.encodings,
                 (QStringList{"Automatic", "UTF-8", "UTF-16", "UTF-16 Big Endian",
                              "UTF-16 Little Endian", "UTF-32", "UTF-32 Big Endian",
                              "UTF-32 Little Endian", "Windows-1252", "ISO-8859-1", "ISO-8859-15",
                              "Mac OS Roman", "ASCII"}));
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
        QCOMPARE(again->databaseTab()->recordTable()->model()->index(1, 3).data().toString(),
                 "Paris");

        const Shown untitled =
            importFile(activated(m_app->newDocument()), first, false, "mapAllToNewFields");
        QCOMPARE(untitled.format, "Automatic");
        QCOMPARE(untitled.encoding, "Automatic");
        QVERIFY(!untitled.firstRow);
    }

    // A workbook opens on its first sheet; the sheet menu shows another, which is imported. A
    // workbook has neither format nor encoding to choose.
    void aWorkbookSheetIsChosenInTheSettings()
    {
        startApplication();
        const auto stop = qScopeGuard([this] { stopApplication(); });
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        QStringList sheets, firstShown, secondShown;
        answerImport(test::testDataPath("exchange/workbooks/people.xlsx"),
                     [&](ImportSettingsDialog* settings) {
                         QVERIFY(!settings->formatMenu() && !settings->encodingMenu());
                         QComboBox* menu = settings->sheetMenu();
                         QVERIFY(menu && menu->isVisible());
                         sheets = itemTexts(menu);
                         QTableWidget* grid = settings->previewGrid();
                         firstShown << grid->item(1, 0)->text() << grid->item(1, 2)->text();
                         choose(menu, "Second");
                         for (int column = 0; column < grid->columnCount(); ++column)
                             secondShown << grid->item(1, column)->text();
                         click(settings, "mapAllToNewFields");
                         click(settings, "importButton");
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
        Target target({"Name"});
        const QString path =
            m_scratch.writeFile("photo.csv", QByteArray("Ann\nBob\n\0\0\x89PNG", 13));
        QString why;
        onNextModal<QFileDialog>([&](QFileDialog* files) {
            onNextModal<QMessageBox>([&](QMessageBox* box) {
                why = box->text() + u'\n' + box->informativeText();
                box->accept();
            });
            enterFile(files, path);
        });
        QVERIFY(!importIntoDocument(&m_window, target.stack));
        QVERIFY2(why.startsWith("Nothing was imported.\nphoto.csv holds NUL bytes"),
                 qPrintable(why));
        QVERIFY(target.doc.dataArray().empty());
        QVERIFY(!target.doc.isDocumentEdited());
    }

    // Only the custom layout can be edited; the others show theirs.
    void eachExportFormatShowsItsLayout()
    {
        Document doc;
        test::fillDocument(doc, {"Name"}, {{"Ann"}});
        QStringList shown;
        onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
            const auto text = [settings](const char* name) {
                return settings->findChild<QLineEdit*>(QString::fromLatin1(name));
            };
            for (const char* title : {"Tab-separated", "Comma-separated, quoted", "Comma-separated",
                                      "Semicolon-separated, quoted", "HTML table", "HTML page",
                                      "Workbook (.xlsx)", "Custom"}) {
                choose(settings->findChild<QComboBox*>("exportFormat"), title);
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

    // A failed write is reported and leaves nothing; a writable place gets the file, named
    // after the document with the format's extension.
    void exportReportsAFailedWriteAndWritesTheRecords()
    {
        Document doc;
        test::fillDocument(doc, {"Name"}, {{"Ann"}});
        // A regular file where a folder should be: no one, root included, can write beneath it.
        const QString plain = m_scratch.writeFile("plain", {});
        QString shown, suggested;
        const auto exportTo = [&](const QString& out, const QString& format, bool fails) {
            onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
                click(settings, "addAll");
                choose(settings->findChild<QComboBox*>("exportFormat"), format);
                click(settings, "exportButton");
                onNextModal<QFileDialog>([&](QFileDialog* saver) {
                    suggested = saver->selectedFiles().value(0);
                    if (fails)
                        onNextModal<QMessageBox>([&](QMessageBox* box) {
                            shown = box->text() + u'\n' + box->informativeText();
                            box->accept();
                        });
                    enterFile(saver, out);
                });
            });
            exportDocument(&m_window, doc, "Letters.quillory");
        };
        exportTo(plain + "/out.txt", "Tab-separated", true);
        QVERIFY2(shown.contains("plain/out.txt") || shown.contains("Not a directory"),
                 qPrintable(shown));
        QCOMPARE(test::readFile(plain), QByteArray());

        exportTo(m_scratch.filePath("out"), "Comma-separated", false);
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
            toggle(settings->findChild<QCheckBox*>("namesAsFirstRow"));
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
