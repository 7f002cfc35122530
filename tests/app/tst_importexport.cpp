#include "app/dialogs/exportflow.h"
#include "app/dialogs/exportsettingsdialog.h"
#include "app/dialogs/importfiledialog.h"
#include "app/dialogs/importflow.h"
#include "app/dialogs/importsettingsdialog.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "windowtest.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
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

} // namespace

class ImportExportTest : public QObject
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
                QTableWidget* table = settings->mappingTable();
                QCOMPARE(table->rowCount(), 3);
                // "name" matches the Name field; the header row is then left out.
                click(settings, "mapFromFirstRow");
                auto popUp = [table](int column) {
                    return qobject_cast<QComboBox*>(
                        table->cellWidget(column, ImportSettingsDialog::DestinationColumn));
                };
                choose(popUp(2), "City");
                choose(popUp(1), "New field");
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
                QTableWidget* table = settings->mappingTable();
                auto popUp = [table](int column) {
                    return qobject_cast<QComboBox*>(
                        table->cellWidget(column, ImportSettingsDialog::DestinationColumn));
                };
                for (int i = 0; i < popUp(0)->count(); ++i)
                    menu << popUp(0)->itemText(i);
                // What each column shows: its menu's choice, its mark; then the count.
                const auto show = [&] {
                    for (int column = 0; column < 3; ++column)
                        shown << popUp(column)->currentText()
                              << table->item(column, ImportSettingsDialog::MarkColumn)->text();
                    shown << settings->findChild<QLabel*>("importedFieldCount")->text();
                };
                show();
                choose(popUp(0), "Name");
                choose(popUp(2), "New field");
                show();
                // The field goes to the later column; the first is then not imported.
                choose(popUp(1), "Name");
                show();
                click(settings, "mapInCascade");
                show();
                settings->reject();
            });
        });
        QVERIFY(!importIntoDocument(&m_window, stack));

        // The separators are items without text; a nameless field shows as "-".
        QCOMPARE(menu, (QStringList{"Do not import", "", "New field", "", "Name", "-"}));
        const QString skip = QStringLiteral("Do not import"), mark = QStringLiteral("\u00BB");
        QCOMPARE(shown, (QStringList{
                            skip,   "",   skip,   "",   skip,        "",   "Imported fields: 0", //
                            "Name", mark, skip,   "",   "New field", mark, "Imported fields: 2", //
                            skip,   "",   "Name", mark, "New field", mark, "Imported fields: 2", //
                            "Name", mark, "-",    mark, skip,        "",   "Imported fields: 2"}));
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

        QCOMPARE(shown,
                 (QStringList{"Row 1 of 2", "line one\nline \"two\"", "Row 2 of 2", "c\nd"}));
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
                    QTableWidget* table = settings->mappingTable();
                    for (int column = 0; column < table->rowCount(); ++column)
                        out << table->item(column, ImportSettingsDialog::ValueColumn)->text();
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
                    auto* first = qobject_cast<QComboBox*>(settings->mappingTable()->cellWidget(
                        0, ImportSettingsDialog::DestinationColumn));
                    QCOMPARE(first->currentText(), "Name");
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
                                      "HTML table", "HTML page", "Custom"}) {
                choose(format, title);
                // Only the custom layout can be edited.
                shown << text("startOfFile")->text().left(9) + u'|' + text("fieldOpenTag")->text() +
                             u'|' + text("fieldSeparator")->text() + u'|' +
                             (text("fieldSeparator")->isReadOnly() ? "fixed" : "editable");
            }
            settings->reject();
        });
        exportDocument(&m_window, doc, "Letters.quillory");
        QCOMPARE(shown,
                 (QStringList{"||\\t|fixed", "|\"|,|fixed", "||,|fixed", "<table>|<td>||fixed",
                              "<!DOCTYPE|<td>||fixed", "|||editable"}));
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
};

QUILLORY_WINDOW_TEST_MAIN(ImportExportTest)

#include "tst_importexport.moc"
