#include "app/dialogs/exportsettingsdialog.h"
#include "app/document/documentwindow.h"
#include "app/document/windowstate.h"
#include "app/models/recordtablemodel.h"
#include "app/preferences/preferenceswindow.h"
#include "app/shell/application.h"
#include "app/shell/shell.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/logview.h"
#include "app/widgets/mergetab.h"
#include "app/widgets/previewtab.h"
#include "app/widgets/prototypesidepanel.h"
#include "app/widgets/prototypetab.h"
#include "app/widgets/runtab.h"
#include "app/widgets/templateeditor.h"
#include "archive/documentcodec.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "core/tabids.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "windowtest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <memory>

using namespace quillory;

namespace {

// Presses the button titled text on the next message box, keeping its text in seen.
void answerNextMessageBox(const QString& text, QString* seen = nullptr)
{
    pressInNext<QMessageBox>(text, [seen](QMessageBox* box) {
        if (seen)
            *seen = box->text();
    });
}

// What the status bar says: its record count, and the last action's result.
QString recordCount(QMainWindow* w)
{
    const auto* label = w->statusBar()->findChild<QLabel*>("recordCount");
    return label && label->isVisible() ? label->text() : QStringLiteral("(hidden)");
}

QString cell(QTableView* table, int row, int column)
{
    return table->model()->index(row, column).data().toString();
}

// Clicks the row of a table of generated items whose path is path.
void clickItem(QTableView* table, const QString& path)
{
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        const QModelIndex index = table->model()->index(row, 2);
        if (index.data().toString() == path) {
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                              table->visualRect(index).center());
            return;
        }
    }
    QFAIL(qPrintable("no item " + path));
}

// A text of a window that answers an Alt+letter, with the pages it sits on: it is offered
// only while each of them is the current page of its stack (a tab widget's, the merge tab's).
struct Mnemonic
{
    QString key;
    QString text;
    QList<std::pair<const QStackedWidget*, int>> pages;
};

void addMnemonic(QList<Mnemonic>& found, QWidget* widget, const QString& text)
{
    const QKeySequence key = QKeySequence::mnemonic(text);
    if (key.isEmpty())
        return;
    Mnemonic m{key.toString(), text, {}};
    for (QWidget* page = widget; page; page = page->parentWidget())
        if (auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget()))
            m.pages.append({stack, stack->indexOf(page)});
    found.append(m);
}

// The pairs of found that answer one key at once (unless on two pages of one stack), as
// "Alt+H: &Help, &Head".
QStringList clashes(const QList<Mnemonic>& found)
{
    const auto together = [](const Mnemonic& a, const Mnemonic& b) {
        for (const auto& [stack, page] : a.pages)
            for (const auto& [otherStack, otherPage] : b.pages)
                if (stack == otherStack && page != otherPage)
                    return false;
        return true;
    };
    QStringList clashing;
    for (qsizetype i = 0; i < found.size(); ++i)
        for (qsizetype j = i + 1; j < found.size(); ++j)
            if (found[i].key == found[j].key && together(found[i], found[j]))
                clashing << found[i].key + ": " + found[i].text + ", " + found[j].text;
    return clashing;
}

// The clashes of a window's Alt+letters: the titles of its menu bar and every widget it has,
// shown now or not: buttons, check boxes, labels with a buddy, group boxes and tab titles.
QStringList mnemonicClashes(QMainWindow* w)
{
    QList<Mnemonic> found;
    if (w->menuWidget())
        for (const QAction* menu : w->menuBar()->actions())
            addMnemonic(found, w->menuBar(), menu->text());
    for (QWidget* widget : w->findChildren<QWidget*>()) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            addMnemonic(found, widget, button->text());
        else if (auto* label = qobject_cast<QLabel*>(widget); label && label->buddy())
            addMnemonic(found, widget, label->text());
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            addMnemonic(found, widget, group->title());
        else if (auto* tabs = qobject_cast<QTabBar*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                addMnemonic(found, widget, tabs->tabText(i));
    }
    return clashes(found);
}

// The clashes in menu and in each of its submenus, which answer their letters only while open.
QStringList menuClashes(QMenu* menu)
{
    emit menu->aboutToShow(); // menus filled when opened (Open Recent)
    QList<Mnemonic> found;
    QStringList problems;
    for (QAction* item : menu->actions()) {
        addMnemonic(found, nullptr, item->text());
        if (item->menu())
            problems << menuClashes(item->menu());
    }
    for (const QString& clash : clashes(found))
        problems << menu->title() + " menu: " + clash;
    return problems;
}
} // namespace

class DocumentWindowTest : public QObject, private WindowTestBase
{
    Q_OBJECT

    DocumentWindow* newWindow() { return activated(m_app->newDocument()); }

private slots:
    void init() { startApplication(); }

    void cleanup() { stopApplication(); }

    void editingFieldsAndRecordsGoesThroughTheDocument()
    {
        DocumentWindow* w = newWindow();
        Document& doc = w->document();
        QCOMPARE(recordCount(w), QStringLiteral("0 records"));
        // Add Field opens the new field's name: Escape gives the renaming up, a blank name is
        // refused, a name typed in names it.
        menuItem(w, "Records", "Add Field")->trigger();
        QCOMPARE(doc.keyArray().size(), size_t(3));
        QWidget* nameEditor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit*>(nameEditor));
        QVERIFY(w->databaseTab()->keyTable()->isAncestorOf(nameEditor));
        QTest::keyClicks(nameEditor, "Zip");
        QTest::keyClick(nameEditor, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(doc.keyArray()[2].publicKey, QStringLiteral("KEY1"));
        typeIntoCell(w->databaseTab()->keyTable(), 2, 0, "   ");
        QCOMPARE(doc.keyArray()[2].publicKey, QStringLiteral("KEY1"));
        typeIntoCell(w->databaseTab()->keyTable(), 2, 0, "Name");
        QCOMPARE(doc.keyArray()[2].publicKey, QStringLiteral("Name"));

        for (const char* name : {"Alice", "Bob", "alfred"}) {
            w->actions().addRecord->trigger();
            QTableView* records = w->databaseTab()->recordTable();
            typeIntoCell(records, records->currentIndex().row(), 2, QString::fromLatin1(name));
        }
        QCOMPARE(doc.dataArray()[1]->value(doc.keyArray()[2].innerKey).toString(), "Bob");
        QVERIFY(w->isWindowModified());
        QCOMPARE(recordCount(w), QStringLiteral("3 records"));

        QTest::keyClicks(w->databaseTab()->searchField(), "AL");
        QCOMPARE(w->databaseTab()->recordModel()->rowCount(), 2);
        QCOMPARE(recordCount(w), QStringLiteral("2 of 3 shown"));
        // Checks count every record, listed or not; Check All checks the listed ones.
        menuItem(w, "Records", "Check All")->trigger();
        QCOMPARE(recordCount(w), QStringLiteral("2 of 3 shown · 2 checked"));
        // The search is the database table's: the preview and the Prototypes' example
        // records list every record, also when sorted by a click on a header.
        QTest::keyClick(w, Qt::Key_4, Qt::ControlModifier);
        for (QTableView* all :
             {w->previewTab()->recordTable(), w->prototypeTab()->onePerRecord()->recordTable()}) {
            QCOMPARE(all->model()->rowCount(), 3);
            QCOMPARE(cell(all, 1, 2), QStringLiteral("Bob"));
        }
        QTableView* preview = w->previewTab()->recordTable();
        QHeaderView* header = preview->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QCOMPARE(header->sortIndicatorSection(), 2);
        QCOMPARE(preview->model()->rowCount(), 3);
        QCOMPARE(cell(preview, 2, 2), QStringLiteral("Bob"));
        // Escape in the search field gives the search up.
        QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(w->databaseTab()->searchField()->text(), QString());
        QCOMPARE(w->databaseTab()->recordTable()->model()->rowCount(), 3);
        QCOMPARE(recordCount(w), QStringLiteral("3 records · 2 checked"));
        menuItem(w, "Records", "Invert Checks")->trigger();
        QCOMPARE(recordCount(w), QStringLiteral("3 records · 1 checked"));
        menuItem(w, "Edit", "Undo")->trigger();
        menuItem(w, "Records", "Uncheck All")->trigger();
        QCOMPARE(recordCount(w), QStringLiteral("3 records"));
    }

    // The Delete key in the record table is Records > Delete Record: one record goes at once,
    // several only after a confirmation that waits on Cancel; in a cell being typed, it deletes
    // text. Each deletion is undone as one step.
    void theDeleteKeyDeletesTheSelectedRecords()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}, {"Bob"}, {"Cy"}});
        QTableView* records = w->databaseTab()->recordTable();
        const auto names = [records] {
            QStringList shown;
            for (int row = 0; row < records->model()->rowCount(); ++row)
                shown << cell(records, row, 2);
            return shown.join(',');
        };
        // Presses Delete in target; the message box it raises, if any, gets answer: Escape,
        // or the button of that title.
        QString asked;
        QString defaultButton;
        const auto pressDelete = [&](const QString& answer, QWidget* target) {
            asked.clear();
            QTimer::singleShot(50, [&, answer] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    asked = box->text();
                    defaultButton = box->defaultButton() ? box->defaultButton()->text() : "";
                    if (answer == "Escape")
                        QTest::keyClick(box, Qt::Key_Escape);
                    for (QAbstractButton* button : box->buttons())
                        if (button->text() == answer)
                            button->click();
                }
            });
            QTest::keyClick(target, Qt::Key_Delete);
            QTest::qWait(100);
        };
        records->setFocus();
        QTest::mouseClick(records->viewport(), Qt::LeftButton, {},
                          records->visualRect(records->model()->index(1, 2)).center());
        pressDelete("Escape", records);
        QCOMPARE(asked, QString());
        QCOMPARE(names(), QStringLiteral("Ann,Cy"));
        QCOMPARE(recordCount(w), QStringLiteral("2 records"));
        QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(names(), QStringLiteral("Ann,Bob,Cy"));

        // In a cell being typed, Delete deletes the character after the cursor.
        records->setCurrentIndex(records->model()->index(0, 2));
        QTest::keyClick(records, Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit*>(editor));
        QTest::keyClick(editor, Qt::Key_Home);
        pressDelete("Escape", editor);
        QCOMPARE(asked, QString());
        QCOMPARE(qobject_cast<QLineEdit*>(editor)->text(), QStringLiteral("nn"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(names(), QStringLiteral("Ann,Bob,Cy"));

        // Two rows selected: the question names them; Escape keeps them, Delete deletes them.
        QCOMPARE(QApplication::focusWidget(), records);
        QTest::keyClick(records, Qt::Key_Down, Qt::ShiftModifier);
        pressDelete("Escape", records);
        QCOMPARE(asked, Alert::deleteSelectedRecords(2).messageText);
        QCOMPARE(defaultButton, QStringLiteral("Cancel"));
        QCOMPARE(names(), QStringLiteral("Ann,Bob,Cy"));
        // The window has the keyboard back once the question closes, with no window manager
        // (the offscreen platform has none) to give it back.
        QTRY_COMPARE(QApplication::activeWindow(), w);
        QTRY_COMPARE(QApplication::focusWidget(), records);
        pressDelete("Delete", records);
        QCOMPARE(asked, Alert::deleteSelectedRecords(2).messageText);
        QCOMPARE(names(), QStringLiteral("Cy"));
        QTRY_COMPARE(QApplication::activeWindow(), w);
        QTRY_VERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(names(), QStringLiteral("Ann,Bob,Cy"));
    }

    void counterPreferencesRedrawCountersAndTheExample()
    {
        DocumentWindow* w = newWindow();
        w->actions().addRecord->trigger();
        w->actions().prototypeSides[1]->trigger();
        PrototypeSidePanel* side = w->prototypeTab()->onePerRecord();
        QTest::mouseClick(side->addButton(), Qt::LeftButton);
        side->nameField()->selectAll();
        QTest::keyClicks(side->nameField(), "<#>.txt");
        side->recordTable()->setCurrentIndex(side->recordTable()->model()->index(0, 0));
        m_defaults->setValue("forceLeading0ForField1", true);
        m_defaults->setValue("forcedTotLenField1", 5);
        QCOMPARE(side->exampleLabel()->text(), QStringLiteral("00001.txt"));
        const QAbstractItemModel* records = w->databaseTab()->recordModel();
        QCOMPARE(records->data(records->index(0, 0)).toString(), QStringLiteral("00001"));

        // The preview on show is made again as the length changes in the preferences.
        QTest::keyClick(w, Qt::Key_4, Qt::ControlModifier);
        PreviewTab* preview = w->previewTab();
        clickItem(preview->itemTable(), "<#>.txt");
        QCOMPARE(preview->nameLabel()->text(), QStringLiteral("00001.txt"));
        PreferencesWindow* prefs = m_app->shell().preferences();
        prefs->setPanelTab(1);
        prefs->show();
        auto* length = prefs->findChild<QSpinBox*>();
        QVERIFY(length && length->isEnabled());
        QTest::keyClick(length, Qt::Key_Down);
        QCOMPARE(preview->nameLabel()->text(), QStringLiteral("0001.txt"));
        QTest::keyClick(length, Qt::Key_Down);
        QCOMPARE(preview->nameLabel()->text(), QStringLiteral("001.txt"));
        QCOMPARE(records->data(records->index(0, 0)).toString(), QStringLiteral("001"));
    }

    // The example under a name is the one of the Prototype the table shows selected: after
    // Add Prototype, after undoing it and after undoing a removal; Tab into a table that
    // has none selected selects its first row.
    void theExampleIsTheSelectedPrototypes_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("example");
        QTest::newRow("All in One") << 0 << "list.txt"
                                    << "list.txt";
        QTest::newRow("One per Record") << 1 << "<Name>.txt"
                                        << "Ann.txt";
    }

    void theExampleIsTheSelectedPrototypes()
    {
        QFETCH(int, side);
        QFETCH(QString, path);
        QFETCH(QString, example);
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        w->actions().prototypeSides[size_t(side)]->trigger();
        PrototypeSidePanel* panel =
            side ? w->prototypeTab()->onePerRecord() : w->prototypeTab()->allInOne();
        QTableView* table = panel->prototypeTable();
        if (side)
            panel->recordTable()->setCurrentIndex(panel->recordTable()->model()->index(0, 2));
        QTest::mouseClick(panel->addButton(), Qt::LeftButton);
        panel->nameField()->selectAll();
        QTest::keyClicks(panel->nameField(), path);
        const auto showsSelected = [&](const QString& path, const QString& example) {
            const QModelIndexList rows = table->selectionModel()->selectedRows(2);
            QCOMPARE(rows.size(), path.isEmpty() ? 0 : 1);
            if (!path.isEmpty())
                QCOMPARE(rows[0].data().toString(), path);
            QCOMPARE(panel->nameField()->text(), path);
            QCOMPARE(panel->exampleLabel()->text(), example);
        };
        showsSelected(path, example);
        menuItem(w, "Prototypes", "Add Prototype")->trigger();
        showsSelected("Untitled", "Untitled");
        menuItem(w, "Edit", "Undo")->trigger();
        showsSelected("", "");
        panel->addButton()->setFocus();
        QTest::keyClick(panel->addButton(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), table);
        showsSelected(path, example);
        QTest::mouseClick(panel->removeButton(), Qt::LeftButton);
        showsSelected("", "");
        menuItem(w, "Edit", "Undo")->trigger();
        showsSelected("", "");
    }

    // The file keeps the tabs the window showed when it was saved, and opens on them; showing a
    // tab is no change. A damaged file is reported, never opened.
    void savedDocumentReopensOnItsTabs()
    {
        DocumentWindow* w = newWindow();
        const QString path = m_scratch->filePath("tabs.quillory");
        QTest::keyClick(w, Qt::Key_2, Qt::ControlModifier);
        w->prototypeTab()->sides()->setCurrentIndex(1);
        QTest::keyClick(w, Qt::Key_4, Qt::ControlModifier);
        QVERIFY(w->saveAs(path));
        Result<DocumentContents> saved = DocumentCodec::contentsOfFile(path);
        QVERIFY(saved);
        QCOMPARE(saved.value().mainTabId, TabIds::kPreview);
        QCOMPARE(saved.value().secTabId, TabIds::kOnePerRecord);
        QVERIFY(!w->isWindowModified());
        QVERIFY(w->close());
        DocumentWindow* again = m_app->openDocument(path);
        QCOMPARE(again->tabs()->currentWidget(), again->previewTab());
        QCOMPARE(again->prototypeTab()->sides()->currentIndex(), 1);
        QCOMPARE(m_app->recentDocuments().value(0), QFileInfo(path).absoluteFilePath());

        const QString bad = m_scratch->writeFile("bad.quillory", "not a document");
        QString message;
        answerNextMessageBox("OK", &message);
        QVERIFY(!m_app->openDocument(bad));
        QVERIFY(message.contains("bad.quillory"));
    }

    // A save that fails says why and keeps everything as it was; closing asks, Cancel keeps
    // the window, Discard gives the changes up and their recovery copy with them.
    void closingWithUnsavedChangesAsks()
    {
        DocumentWindow* w = newWindow();
        w->actions().addRecord->trigger();
        QString message;
        answerNextMessageBox("OK", &message);
        QVERIFY(!w->saveAs(m_scratch->filePath("no/such/folder/x.quillory")));
        QVERIFY(message.contains("x.quillory"));
        QVERIFY(w->document().isDocumentEdited());
        w->writeRecoveryCopy();
        QCOMPARE(m_app->recovery().list().size(), size_t(1));
        answerNextMessageBox("Cancel");
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        answerNextMessageBox("Discard");
        QVERIFY(w->close());
        QVERIFY(m_app->recovery().list().empty());
    }

    // After a crash the recovery copy reopens with its tabs, its changes still unsaved; saving
    // clears the copy.
    void recoveryAfterACrash()
    {
        DocumentWindow* w = newWindow();
        w->actions().addField->trigger(); // shows the database tab
        w->actions().addRecord->trigger();
        w->actions().prototypeSides[1]->trigger();
        w->writeRecoveryCopy();
        const std::vector<RecoveredDocument> copies = m_app->recovery().list();
        QCOMPARE(copies.size(), size_t(1));
        Result<DocumentContents> copy = DocumentCodec::contentsOfFile(copies[0].copyPath);
        QVERIFY(copy);
        QCOMPARE(copy.value().mainTabId, TabIds::kFiles);
        QCOMPARE(copy.value().secTabId, TabIds::kOnePerRecord);
        // A crash: nothing is closed, the application is simply gone.
        delete w;
        m_app = std::make_unique<Application>(m_defaults.get(),
                                              RecoveryStore(m_scratch->filePath("recovery")));
        answerNextMessageBox("Reopen");
        const std::vector<DocumentWindow*> reopened = m_app->offerRecovery();
        QCOMPARE(reopened.size(), size_t(1));
        QCOMPARE(reopened[0]->document().dataArray().size(), size_t(1));
        QVERIFY(reopened[0]->isWindowModified());
        QVERIFY(reopened[0]->hasUnsavedChanges());
        QVERIFY(reopened[0]->saveAs(m_scratch->filePath("recovered.quillory")));
        QVERIFY(m_app->recovery().list().empty());
    }

    void revertToSavedAsksAndClearsTheHistory()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        QVERIFY(!w->actions().revert->isEnabled()); // nothing to revert
        // The title names the document and shows the modified mark while there are changes.
        QCOMPARE(w->windowHandle()->title(), "opened.quillory — Quillory");
        w->actions().addRecord->trigger();
        QCOMPARE(w->windowHandle()->title(), "opened.quillory* — Quillory");
        QAbstractItemModel* records = w->databaseTab()->recordTable()->model();

        // Cancel is the default and Escape answers it: nothing changes.
        QString question;
        QString defaultButton;
        onNextModal<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QAction* revert = menuItem(w, "File", "Revert to Saved");
        revert->trigger();
        QCOMPARE(question,
                 QStringLiteral("Revert to the saved version? Your changes will be lost."));
        QCOMPARE(defaultButton, QStringLiteral("Cancel"));
        QCOMPARE(records->rowCount(), 2);

        answerNextMessageBox("Revert");
        revert->trigger();
        QCOMPARE(records->rowCount(), 1);
        QVERIFY(!w->isWindowModified());
        // The history went with the changes, and reverting is no step of its own.
        QVERIFY(!w->actions().undo->isEnabled());
        QVERIFY(!w->actions().redo->isEnabled());
    }

    // While the fields to export are chosen the records are in view; the status bar says what
    // the export did, and an export given up changes nothing and leaves that result.
    void exportShowsTheRecordsAndSaysWhatItDid()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        const QString out = m_scratch->filePath("names.txt");
        onNextModal<ExportSettingsDialog>([out](ExportSettingsDialog* settings) {
            click(settings, "addAll");
            click(settings, "exportButton");
            onNextModal<QFileDialog>([out](QFileDialog* saver) { enterFile(saver, out); });
        });
        menuItem(w, "File", "Export")->trigger();
        QCOMPARE(w->statusBar()->currentMessage(), "Exported 1 record to " + out);

        w->actions().mainTabs[4]->trigger(); // the Run tab
        QWidget* shownWhileChoosing = nullptr;
        onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
            shownWhileChoosing = w->tabs()->currentWidget();
            settings->reject();
        });
        menuItem(w, "File", "Export")->trigger();
        QCOMPARE(shownWhileChoosing, w->databaseTab());
        QVERIFY(!w->actions().undo->isEnabled());
        QCOMPARE(w->statusBar()->currentMessage(), "Exported 1 record to " + out);
    }

    // What is being typed (a record's cell or a field's name without Enter, a Prototype's name,
    // a template) is the document's before the window saves it, closes, exports or shows
    // another tab: the file holds it, or the window asks before it would be lost.
    void aValueBeingTypedIsKept_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("saved");
        // File > Close and File > Quit are answered Cancel.
        const auto row = [](const char* where, const char* how, bool saved) {
            QTest::addRow("%s, %s", where, how) << QString(where) << QString(how) << saved;
        };
        row("record", "Ctrl+S", true);
        row("record", "Save", true);
        row("record", "Close", false);
        row("record", "Quit", false);
        row("record", "Ctrl+4", false);
        row("record", "Export", false);
        row("field", "Ctrl+S", true);
        row("field", "Close", false);
        row("name", "Ctrl+S", true);
        row("name", "Quit", false);
        row("template", "Save", true);
        row("template", "Close", false);
    }

    void aValueBeingTypedIsKept()
    {
        QFETCH(QString, where);
        QFETCH(QString, how);
        QFETCH(bool, saved);
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        PrototypePtr card = newPrototype(PrototypeSide::OnePerRecord);
        card->path = "Ann";
        card->text = "Ann";
        w->document().insertPrototype(0, card);
        QVERIFY(w->save());
        const auto held = [&](const auto& records, const auto& keys, const auto& prototypes) {
            return where == "record"  ? records[0]->text(QStringLiteral("3"))
                   : where == "field" ? keys[2].publicKey
                   : where == "name"  ? prototypes[0]->path
                                      : prototypes[0]->text;
        };
        const Document& doc = w->document();
        const QString before =
            held(doc.dataArray(), doc.keyArray(), doc.universalFilePrototypeArray());
        // Each place is being changed to "Bob".
        QWidget* editor = nullptr;
        std::function<QString()> shown;
        if (where == "record" || where == "field") {
            QTableView* table =
                where == "record" ? w->databaseTab()->recordTable() : w->databaseTab()->keyTable();
            const QModelIndex index =
                table->model()->index(where == "record" ? 0 : 2, where == "record" ? 2 : 0);
            table->setFocus();
            table->setCurrentIndex(index);
            // A field's name is edited with F2 (its text selected), a record's cell by typing.
            if (where == "field")
                QTest::keyClick(table, Qt::Key_F2);
            QTest::keyClick(QApplication::focusWidget(), 'B');
            editor = QApplication::focusWidget();
            QVERIFY(qobject_cast<QLineEdit*>(editor));
            shown = [index] { return index.data().toString(); };
        } else if (where == "name") {
            w->actions().prototypeSides[1]->trigger();
            PrototypeSidePanel* side = w->prototypeTab()->onePerRecord();
            clickItem(side->prototypeTable(), "Ann");
            editor = side->nameField();
            editor->setFocus();
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(editor, 'B');
            shown = [side] { return side->nameField()->text(); };
        } else {
            QTest::keyClick(w, Qt::Key_3, Qt::ControlModifier);
            clickItem(w->mergeTab()->itemTable(), "Ann");
            auto* text = qobject_cast<QPlainTextEdit*>(w->mergeTab()->perRecordText()->editor());
            QVERIFY(text);
            editor = text;
            editor->setFocus();
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(editor, 'B');
            shown = [text] { return text->toPlainText(); };
        }
        QTest::keyClicks(editor, "ob");
        if (how.startsWith("Ctrl+")) {
            QTest::keyClick(editor, how.back().toLatin1(), Qt::ControlModifier);
        } else if (how == "Save") {
            menuItem(w, "File", how)->trigger();
        } else if (how == "Export") {
            // The records exported are the ones with what was typed.
            QString exported;
            onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
                exported = held(doc.dataArray(), doc.keyArray(), doc.universalFilePrototypeArray());
                settings->reject();
            });
            menuItem(w, "File", how)->trigger();
            QCOMPARE(exported, QStringLiteral("Bob"));
        } else {
            QString question;
            answerNextMessageBox("Cancel", &question);
            menuItem(w, "File", how)->trigger();
            QVERIFY(question.startsWith("Do you want to save the changes"));
            QVERIFY(w->isVisible());
        }
        QCOMPARE(shown(), QStringLiteral("Bob"));
        QCOMPARE(w->isWindowModified(), !saved);
        const Result<DocumentContents> file = DocumentCodec::contentsOfFile(w->filePath());
        QVERIFY(file);
        QCOMPARE(held(file.value().records, file.value().keys, file.value().prototypes),
                 saved ? "Bob" : before);
    }

    // Add Record leaves the new record selected, with the focus on its first field (its
    // counter when there is none), wherever the focus was: typing fills it, Delete Record
    // applies to it. A search would hide it: the search field is emptied, also while it has
    // the focus.
    void addRecordSelectsTheNewRecordForTyping_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("search");
        const QStringList name{"Name"};
        QTest::newRow("field list, the button") << name << "field list"
                                                << "";
        QTest::newRow("searching, the menu") << name << "search field"
                                             << "ann";
        QTest::newRow("searching, the button") << name << "search field, button"
                                               << "ann";
        QTest::newRow("another tab, the menu") << name << "another tab"
                                               << "";
        QTest::newRow("no user field") << QStringList{} << "field list"
                                       << "";
    }

    void addRecordSelectsTheNewRecordForTyping()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, from);
        QFETCH(QString, search);
        DocumentWindow* w = openSavedWindow(fields, {QStringList(fields.size(), "Ann")});
        DatabaseTab* tab = w->databaseTab();
        QTableView* records = tab->recordTable();
        const auto clickAddRecord = [tab] {
            QToolButton* add = nullptr;
            for (QToolButton* b : tab->findChildren<QToolButton*>())
                if (b->text() == "Add Record")
                    add = b;
            QVERIFY(add);
            QTest::mouseClick(add, Qt::LeftButton);
        };
        if (from.startsWith("search field")) {
            QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier); // Edit > Find
            QCOMPARE(QApplication::focusWidget(), tab->searchField());
            QTest::keyClicks(tab->searchField(), search);
            QCOMPARE(records->model()->rowCount(), 1);
            if (from.endsWith("button"))
                clickAddRecord(); // a tool button leaves the focus where it is
            else
                menuItem(w, "Records", "Add Record")->trigger();
        } else if (from == "another tab") {
            QTest::keyClick(w, Qt::Key_2, Qt::ControlModifier);
            menuItem(w, "Records", "Add Record")->trigger();
        } else {
            tab->keyTable()->setFocus();
            clickAddRecord();
        }
        QCOMPARE(tab->searchField()->text(), QString());
        QCOMPARE(records->model()->rowCount(), 2);
        QCOMPARE(QApplication::focusWidget(), records);
        QCOMPARE(records->currentIndex(), records->model()->index(1, fields.isEmpty() ? 0 : 2));
        QVERIFY(records->selectionModel()->isRowSelected(1));
        QVERIFY(menuItem(w, "Records", "Delete Record")->isEnabled());
        if (fields.isEmpty())
            return;
        QTest::keyClick(records, 'Z');
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(cell(records, 1, 2), QStringLiteral("Z"));
    }

    // The merge tab shows the templates of files only: a folder has none, also a folder that
    // is there only as the parent of a file.
    void theMergeTabShowsTemplatesOfFilesOnly_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("editors"); // visible: none, 1 the text of each file, 4 head to foot
        QTest::newRow("folder of an All in One file") << "out/" << 0;
        QTest::newRow("All in One file") << "out/list.txt" << 4;
        QTest::newRow("folder of a One per Record file") << "<Name>/" << 0;
        QTest::newRow("One per Record file") << "<Name>/card.txt" << 1;
        QTest::newRow("One per Record folder") << "<Name>/pics/" << 0;
    }

    void theMergeTabShowsTemplatesOfFilesOnly()
    {
        QFETCH(QString, item);
        QFETCH(int, editors);
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        Document& doc = w->document();
        const std::array<std::pair<const char*, PrototypeSide>, 3> paths = {
            {{"out/list.txt", PrototypeSide::AllInOne},
             {"<Name>/card.txt", PrototypeSide::OnePerRecord},
             {"<Name>/pics", PrototypeSide::OnePerRecord}}};
        for (const auto& [path, side] : paths) {
            PrototypePtr proto = newPrototype(side);
            proto->path = path;
            proto->text = "Dear <Name>";
            proto->isFolder = QByteArray(path).endsWith("pics");
            doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), proto);
        }
        QTest::keyClick(w, Qt::Key_3, Qt::ControlModifier);
        MergeTab* merge = w->mergeTab();
        clickItem(merge->itemTable(), item);
        int shown = merge->perRecordText()->isVisible() ? 1 : 0;
        for (TemplateEditor* editor : merge->allInOneEditors())
            shown += editor->isVisible() ? 1 : 0;
        QCOMPARE(shown, editors);
        bool saysFolder = false;
        for (QLabel* label : merge->findChildren<QLabel*>())
            saysFolder |= label->isVisible() && label->text() == "A folder has no contents.";
        QCOMPARE(saysFolder, editors == 0);
    }

    // A destination folder that cannot be found (a disk not plugged in) is named in the status
    // bar until it is back.
    void aMissingDestinationIsNamed()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        const QString dest = m_scratch->filePath("disk/Out");
        QVERIFY(QDir().mkpath(dest));
        w->document().setDestination(
            true, LocationBookmark::make(dest, LocationBookmark::Access::ReadWrite));
        QVERIFY(QDir().rename(m_scratch->filePath("disk"), m_scratch->filePath("away")));
        QTest::keyClick(w, Qt::Key_5, Qt::ControlModifier);
        const auto* notice = w->statusBar()->findChild<QLabel*>("missingDestination");
        QVERIFY(notice);
        QTRY_VERIFY(notice->isVisible());
        QCOMPARE(notice->text(), "The destination folder “" + dest + "” is missing.");

        QVERIFY(QDir().rename(m_scratch->filePath("away"), m_scratch->filePath("disk")));
        // The disk is back when the person comes back to the window from another one.
        activated(newWindow());
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QVERIFY(!notice->isVisible());
        QCOMPARE(recordCount(w), QStringLiteral("1 record"));
    }

    // The keys people know reach their commands from wherever the focus is: Save As asks where,
    // Run shows the Run tab and runs (asking first when there is no destination), F1 opens the
    // user guide (or says why it cannot).
    void keysReachTheirCommands_data()
    {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<bool>("withDestination");
        QTest::addColumn<QString>("outcome");
        const auto ctrl = [](Qt::Key k, Qt::KeyboardModifiers more = {}) {
            return QKeyCombination(Qt::ControlModifier | more, k);
        };
        QTest::newRow("Ctrl+Shift+S, Save As")
            << ctrl(Qt::Key_S, Qt::ShiftModifier) << false << "save dialog";
        QTest::newRow("Ctrl+R, Run without destination") << ctrl(Qt::Key_R) << false << "asked";
        QTest::newRow("Ctrl+R, Run") << ctrl(Qt::Key_R) << true << "ran";
        QTest::newRow("F1, user guide") << QKeyCombination(Qt::Key_F1) << false << "guide";
    }

    void keysReachTheirCommands()
    {
        QFETCH(QKeyCombination, key);
        QFETCH(bool, withDestination);
        QFETCH(QString, outcome);
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        PrototypePtr card = newPrototype(PrototypeSide::OnePerRecord);
        card->path = "<Name>.txt";
        w->document().insertPrototype(0, card);
        const QString dest = m_scratch->filePath("out");
        if (withDestination) {
            QVERIFY(QDir().mkpath(dest));
            w->document().setDestination(
                true, LocationBookmark::make(dest, LocationBookmark::Access::ReadWrite));
            // One file is there already (skipped), one would go beneath a file (failed).
            for (const char* path : {"taken.txt", "plain/card.txt"}) {
                PrototypePtr more = newPrototype(PrototypeSide::OnePerRecord);
                more->path = QString::fromLatin1(path);
                w->document().insertPrototype(1, more);
            }
            for (const char* file : {"/taken.txt", "/plain"}) {
                QFile in(dest + file);
                QVERIFY(in.open(QIODevice::WriteOnly));
            }
        }
        QUrl opened;
        QString alerted;
        m_app->shell().openUrl = [&opened](const QUrl& url) {
            opened = url;
            return false; // no PDF viewer here
        };
        m_app->shell().presentAlert = [&alerted](QWidget*, const Alert& alert) {
            alerted = alert.messageText;
            return Alert::Cancel;
        };
        QString asked;
        QString dialogTitle;
        if (outcome == "save dialog")
            onNextModal<QFileDialog>([&](QFileDialog* saver) {
                dialogTitle = saver->windowTitle();
                QCOMPARE(saver->acceptMode(), QFileDialog::AcceptSave);
                saver->reject();
            });
        else if (outcome == "asked")
            answerNextMessageBox("Cancel", &asked);
        // The focus is in the record table, as it is after opening.
        w->databaseTab()->recordTable()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        if (outcome == "save dialog") {
            QCOMPARE(dialogTitle, QStringLiteral("Save Document"));
        } else if (outcome == "guide") {
            QCOMPARE(alerted, QStringLiteral("The user guide could not be opened."));
            if (!Shell::userGuidePath().isEmpty())
                QCOMPARE(opened, QUrl::fromLocalFile(Shell::userGuidePath()));
        } else {
            QCOMPARE(w->tabs()->currentWidget(), w->runTab());
            if (outcome == "asked") {
                QCOMPARE(asked, Alert::destinationNotSet().messageText);
            } else {
                QTRY_VERIFY(w->runTab()->summaryBar()->isVisible());
                QVERIFY(QFileInfo::exists(dest + "/Ann.txt"));
                QCOMPARE(w->statusBar()->currentMessage(),
                         QStringLiteral("Run: 1 file created, 1 skipped, 1 failed"));
            }
        }
    }

    // The Run tab's buttons are items of the Run menu too, enabled as the buttons are and
    // doing what they do, with the Run tab in view.
    void theRunMenuOffersTheRunTabButtons_data()
    {
        QTest::addColumn<bool>("withDestination");
        QTest::newRow("no destination") << false;
        QTest::newRow("a destination") << true;
    }
    void theRunMenuOffersTheRunTabButtons()
    {
        QFETCH(bool, withDestination);
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        if (withDestination) {
            const QString dest = m_scratch->filePath("out");
            QVERIFY(QDir().mkpath(dest));
            w->document().setDestination(
                true, LocationBookmark::make(dest, LocationBookmark::Access::ReadWrite));
        }
        w->state().runLog().append("Started\n");
        const std::pair<const char*, const char*> items[] = {
            {"Run", "Run"},
            {"Cancel Run", "Cancel"},
            {"Choose Destination…", "Choose…"},
            {"Show in File Manager", "Show in File Manager"},
            {"Clear Log", "Clear Log"}};
        for (const auto& [item, button] : items) {
            QAction* action = menuItem(w, "Run", item);
            QVERIFY2(action, item);
            const QPushButton* pushButton = nullptr;
            for (const QPushButton* b : w->runTab()->findChildren<QPushButton*>())
                if (b->text() == button)
                    pushButton = b;
            QVERIFY2(pushButton, button);
            QVERIFY2(action->isEnabled() == pushButton->isEnabled(), item);
        }
        QCOMPARE(menuItem(w, "Run", "Show in File Manager")->isEnabled(), withDestination);
        QVERIFY(!menuItem(w, "Run", "Cancel Run")->isEnabled());

        w->actions().mainTabs[0]->trigger();
        QString title;
        onNextModal<QFileDialog>([&title](QFileDialog* chooser) {
            title = chooser->windowTitle();
            chooser->reject();
        });
        menuItem(w, "Run", "Choose Destination…")->trigger();
        QCOMPARE(title, QStringLiteral("Select the destination folder to save merged files"));
        QCOMPARE(w->tabs()->currentWidget(), w->runTab());
    }

    // View > Show Full Path is the full-path switch of the tab shown, both ways; the database
    // tab has none.
    void showFullPathIsTheShownTabsSwitch_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("Database") << 0;
        QTest::newRow("Files and Folders, All in One") << 1;
        QTest::newRow("Files and Folders, One per Record") << -1;
        QTest::newRow("Merge") << 2;
        QTest::newRow("Preview") << 3;
        QTest::newRow("Run") << 4;
    }
    void showFullPathIsTheShownTabsSwitch()
    {
        QFETCH(int, tab);
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        if (tab >= 0)
            QTest::keyClick(w, char('1' + tab), Qt::ControlModifier);
        else
            w->actions().prototypeSides[1]->trigger();
        const std::array<QCheckBox*, 6> switches = {
            nullptr,
            w->prototypeTab()->allInOne()->fullPathSwitch(),
            w->mergeTab()->fullPathSwitch(),
            w->previewTab()->fullPathSwitch(),
            w->runTab()->fullPathSwitch(),
            w->prototypeTab()->onePerRecord()->fullPathSwitch()};
        QCheckBox* shown = switches[size_t(tab >= 0 ? tab : 5)];
        QAction* item = menuItem(w, "View", "Show Full Path");
        QVERIFY(item);
        QCOMPARE(item->isEnabled(), shown != nullptr);
        if (!shown)
            return;
        for (int i = 0; i < 2; ++i) {
            const bool was = shown->isChecked();
            item->trigger();
            QCOMPARE(shown->isChecked(), !was);
            QCOMPARE(item->isChecked(), !was);
            // Only the shown tab's switch changes.
            for (QCheckBox* other : switches)
                if (other && other != shown)
                    QCOMPARE(other->isChecked(), other == w->runTab()->fullPathSwitch());
            QTest::mouseClick(shown, Qt::LeftButton, {}, QPoint(4, shown->height() / 2));
            QCOMPARE(item->isChecked(), was);
            QCOMPARE(shown->isChecked(), was);
        }
    }

    // Tab leaves a table for the next control instead of walking its cells; in a cell being
    // typed in, it still goes on to the next cell.
    void tabLeavesATable_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("records") << "records";
        QTest::newRow("fields") << "fields";
        QTest::newRow("Prototypes") << "Prototypes";
        QTest::newRow("preview records") << "preview records";
    }
    void tabLeavesATable()
    {
        QFETCH(QString, table);
        DocumentWindow* w = openSavedWindow({"Name", "Town"}, {{"Ann", "Oslo"}, {"Bob", "Rome"}});
        QTableView* view = nullptr;
        if (table == "records" || table == "fields") {
            view =
                table == "records" ? w->databaseTab()->recordTable() : w->databaseTab()->keyTable();
        } else if (table == "Prototypes") {
            w->actions().prototypeSides[1]->trigger();
            w->actions().addPrototype->trigger();
            view = w->prototypeTab()->onePerRecord()->prototypeTable();
        } else {
            QTest::keyClick(w, Qt::Key_4, Qt::ControlModifier);
            view = w->previewTab()->recordTable();
        }
        view->setFocus();
        view->setCurrentIndex(view->model()->index(0, 0));
        QCOMPARE(QApplication::focusWidget(), view);
        QTest::keyClick(view, Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus && focus != view && !view->isAncestorOf(focus));
        QCOMPARE(view->currentIndex(), view->model()->index(0, 0));
        if (table != "records")
            return;
        const QModelIndex name = view->model()->index(0, 2);
        view->setFocus();
        view->setCurrentIndex(name);
        view->edit(name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(view->currentIndex(), view->model()->index(0, 3));
        QVERIFY(view->isAncestorOf(QApplication::focusWidget()));
    }

    // Every Alt+letter reaches one thing only: in the document window, the menu titles and
    // what each tab offers (each side of the Prototype tab, each page of the merge tab); in
    // the preferences; inside each menu, its items.
    void everyMnemonicIsUniqueInItsWindow()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        QStringList found = mnemonicClashes(w);
        for (QAction* menu : w->menuBar()->actions()) {
            found << menuClashes(menu->menu());
            // Every item has a letter of its own (Open Recent's file names aside).
            for (QAction* item : menu->menu()->actions())
                if (!item->isSeparator() && QKeySequence::mnemonic(item->text()).isEmpty())
                    found << menu->text() + " menu: no letter in " + item->text();
        }
        for (const QString& clash : mnemonicClashes(m_app->shell().preferences()))
            found << "Preferences: " + clash;
        QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
    }

    // The window can be made as small as 800 × 600 whatever tab it shows.
    void theWindowFitsIn800By600()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        for (int tab = 0; tab < w->tabs()->count(); ++tab) {
            QTest::keyClick(w, char('1' + tab), Qt::ControlModifier);
            w->resize(800, 600);
            QTRY_COMPARE(w->size(), QSize(800, 600));
            QVERIFY2(w->minimumSizeHint().width() <= 800 && w->minimumSizeHint().height() <= 600,
                     qPrintable(w->tabs()->tabText(tab)));
        }
    }
};

QUILLORY_WINDOW_TEST_MAIN(DocumentWindowTest)

#include "tst_documentwindow.moc"
