// Every user action of the document window is one step of its history: undone and redone by
// name through Edit > Undo and Redo and through the keys, the window shows again exactly what
// it showed before the step and after it.
#include "app/dialogs/importfiledialog.h"
#include "app/dialogs/importsettingsdialog.h"
#include "app/document/documentwindow.h"
#include "app/document/windowstate.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/logview.h"
#include "app/widgets/mergetab.h"
#include "app/widgets/prototypesidepanel.h"
#include "app/widgets/prototypetab.h"
#include "app/widgets/runtab.h"
#include "app/widgets/templateeditor.h"
#include "archive/documentcodec.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "core/tabids.h"
#include "prototypes/prototypeside.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "windowtest.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>

using namespace quillory;

namespace {

// What the window shows of its document, table by table and field by field, as one text.
QString shownBy(DocumentWindow* w)
{
    QStringList lines;
    const auto table = [&lines](const QString& title, QTableView* view) {
        const QAbstractItemModel* model = view->model();
        QStringList header;
        for (int c = 0; c < model->columnCount(); ++c)
            header << model->headerData(c, Qt::Horizontal).toString();
        lines << title + ": " + header.join(" | ");
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c) {
                const QModelIndex index = model->index(r, c);
                const QVariant mark = index.data(Qt::CheckStateRole);
                cells << (!mark.isValid()                               ? index.data().toString()
                          : mark.value<Qt::CheckState>() == Qt::Checked ? "[x]"
                                                                        : "[ ]");
            }
            lines << "  " + cells.join(" | ");
        }
    };
    table("fields", w->databaseTab()->keyTable());
    table("records", w->databaseTab()->recordTable());
    table("all in one", w->prototypeTab()->allInOne()->prototypeTable());
    table("one per record", w->prototypeTab()->onePerRecord()->prototypeTable());
    table("example records", w->prototypeTab()->onePerRecord()->recordTable());
    lines << "text of each file: " + w->mergeTab()->perRecordText()->editor()->toPlainText();
    for (TemplateEditor* editor : w->mergeTab()->allInOneEditors())
        lines << "template: " + editor->editor()->toPlainText();
    lines << "destination: " + w->runTab()->findChild<QLineEdit*>()->text();
    lines << "log: " + w->runTab()->logView()->toPlainText();
    return lines.join('\n');
}

// Undoes and redoes the newest step, named name, through Edit > Undo and Edit > Redo, then
// through Ctrl+Z and Ctrl+Shift+Z pressed where the keyboard focus is: each undo must show
// before again and each redo after.
void undoAndRedo(DocumentWindow* w, const QString& name, const QString& before,
                 const QString& after)
{
    QCOMPARE(shownBy(w), after);
    QVERIFY2(before != after, "the step changed nothing on show");
    QAction* undo = menuItem(w, "Edit", "Undo");
    QAction* redo = menuItem(w, "Edit", "Redo");
    QVERIFY(undo && redo);
    QCOMPARE(titleOf(undo), "Undo " + name);
    QVERIFY(undo->isEnabled());
    undo->trigger();
    QCOMPARE(shownBy(w), before);
    QCOMPARE(titleOf(redo), "Redo " + name);
    redo->trigger();
    QCOMPARE(shownBy(w), after);
    QCOMPARE(titleOf(undo), "Undo " + name);

    // A closed dialog may leave the window inactive: the person clicks it again.
    if (!w->isActiveWindow()) {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    QWidget* focus = w->focusWidget() ? w->focusWidget() : w;
    QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(shownBy(w), before);
    QCOMPARE(titleOf(redo), "Redo " + name);
    QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(shownBy(w), after);
    QCOMPARE(titleOf(undo), "Undo " + name);
}

// Stops the test function when a check in a helper failed.
#define UNDO_AND_REDO(w, name, before, after)                                                      \
    do {                                                                                           \
        undoAndRedo(w, name, before, after);                                                       \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

QString cell(QTableView* table, int row, int column)
{
    return table->model()->index(row, column).data().toString();
}

// Presses Space on the cell, as a person ticks a check box with the keyboard.
void toggle(QTableView* table, int row, int column)
{
    table->setFocus();
    table->setCurrentIndex(table->model()->index(row, column));
    QTest::keyClick(table, Qt::Key_Space);
}

void answerNextMessageBox(const QString& text, QString* seen = nullptr)
{
    pressInNext<QMessageBox>(text, [seen](QMessageBox* box) {
        if (seen)
            *seen = box->text();
    });
}

// Chooses the row whose path is path in a table of generated items, as a click would.
void chooseItem(QTableView* table, const QString& path)
{
    for (int row = 0; row < table->model()->rowCount(); ++row)
        if (table->model()->index(row, 2).data().toString() == path)
            return table->setCurrentIndex(table->model()->index(row, 2));
    QFAIL(qPrintable("no item " + path));
}

QAction* tagItem(QToolButton* button, const QString& tag)
{
    for (QAction* a : button->menu()->actions())
        if (a->text() == tag)
            return a;
    return nullptr;
}

} // namespace

class WindowUndoTest : public QObject, private WindowTestBase
{
    Q_OBJECT

private slots:
    void init() { startApplication(); }
    void cleanup() { stopApplication(); }

    void fieldCommands()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}, {"Bob"}});
        QTableView* fields = w->databaseTab()->keyTable();
        QTableView* records = w->databaseTab()->recordTable();

        // Add Field shows the database tab first.
        QTest::keyClick(w, Qt::Key_3, Qt::ControlModifier);
        QString before = shownBy(w);
        menuItem(w, "Records", "Add Field")->trigger();
        QCOMPARE(w->tabs()->currentWidget(), w->databaseTab());
        QCOMPARE(cell(fields, 3, 0), QStringLiteral("KEY2"));
        QCOMPARE(cell(records, 1, 3), QString());
        fields->setFocus();
        UNDO_AND_REDO(w, "Add Field", before, shownBy(w));

        before = shownBy(w);
        typeIntoCell(fields, 3, 0, "City");
        QCOMPARE(records->model()->headerData(3, Qt::Horizontal).toString(), "City");
        UNDO_AND_REDO(w, "Rename Field", before, shownBy(w));

        // Deleting asks; undoing it brings the values back.
        before = shownBy(w);
        fields->setCurrentIndex(fields->model()->index(2, 0));
        answerNextMessageBox("Delete");
        menuItem(w, "Records", "Delete Field")->trigger();
        QCOMPARE(fields->model()->rowCount(), 3);
        QCOMPARE(cell(fields, 2, 0), QStringLiteral("City"));
        const QString after = shownBy(w);
        menuItem(w, "Edit", "Undo")->trigger();
        QCOMPARE(cell(fields, 2, 0), QStringLiteral("Name"));
        QCOMPARE(cell(records, 1, 2), QStringLiteral("Bob"));
        menuItem(w, "Edit", "Redo")->trigger();
        UNDO_AND_REDO(w, "Delete Field", before, after);
    }

    void addAndDeleteRecord()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}, {"Bob"}});
        QTableView* records = w->databaseTab()->recordTable();

        // Add Record shows the database tab, clears the search and selects the new record,
        // numbered after the records the search listed.
        QString before = shownBy(w);
        QTest::keyClicks(w->databaseTab()->searchField(), "ann");
        QCOMPARE(records->model()->rowCount(), 1);
        QTest::keyClick(w, Qt::Key_2, Qt::ControlModifier);
        menuItem(w, "Records", "Add Record")->trigger();
        QCOMPARE(w->tabs()->currentWidget(), w->databaseTab());
        QCOMPARE(w->databaseTab()->searchField()->text(), QString());
        QCOMPARE(records->model()->rowCount(), 3);
        QCOMPARE(records->currentIndex().row(), 2);
        QCOMPARE(cell(records, 2, 0), QStringLiteral("2"));
        records->setFocus();
        UNDO_AND_REDO(w, "Add Record", before, shownBy(w));

        before = shownBy(w);
        QTest::mouseClick(records->viewport(), Qt::LeftButton, {},
                          records->visualRect(records->model()->index(0, 2)).center());
        menuItem(w, "Records", "Delete Record")->trigger();
        QCOMPARE(cell(records, 0, 2), QStringLiteral("Bob"));
        // Undoing puts the record back where it was, not at the end.
        UNDO_AND_REDO(w, "Delete Record", before, shownBy(w));
    }

    // What is typed in a cell is one step until its editor closes: opening the cell again
    // starts a new step.
    void typingInACellIsOneStepUntilTheEditorCloses()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        QTableView* records = w->databaseTab()->recordTable();
        const QString untouched = shownBy(w);
        const QModelIndex name = records->model()->index(0, 2);
        records->setCurrentIndex(name);
        records->edit(name);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, "Bo");
        // The text is taken while the editor stays open, then more is typed.
        emit records->itemDelegate()->commitData(editor);
        QCOMPARE(cell(records, 0, 2), QStringLiteral("Bo"));
        QTest::keyClicks(editor, "b");
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(cell(records, 0, 2), QStringLiteral("Bob"));
        QCOMPARE(w->undoStack().count(), size_t(1));

        // The editor closed: the same cell edited again is a step of its own.
        const QString before = shownBy(w);
        typeIntoCell(records, 0, 2, "Bea");
        QCOMPARE(w->undoStack().count(), size_t(2));
        UNDO_AND_REDO(w, "Typing in Name", before, shownBy(w));
        menuItem(w, "Edit", "Undo")->trigger();
        QCOMPARE(cell(records, 0, 2), QStringLiteral("Bob"));
        QCOMPARE(titleOf(menuItem(w, "Edit", "Undo")), QStringLiteral("Undo Typing in Name"));
        menuItem(w, "Edit", "Undo")->trigger();
        QCOMPARE(shownBy(w), untouched);
        QVERIFY(!menuItem(w, "Edit", "Undo")->isEnabled());
    }

    void checkMarks()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}, {"Bob"}, {"Cid"}});
        QTableView* records = w->databaseTab()->recordTable();

        QString before = shownBy(w);
        toggle(records, 1, 1);
        QCOMPARE(records->model()->index(1, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        UNDO_AND_REDO(w, "Check", before, shownBy(w));
        before = shownBy(w);
        toggle(records, 1, 1);
        UNDO_AND_REDO(w, "Uncheck", before, shownBy(w));

        // The checks act on the records the search lists.
        QTest::keyClicks(w->databaseTab()->searchField(), "b");
        records->setFocus();
        before = shownBy(w);
        menuItem(w, "Records", "Check All")->trigger();
        UNDO_AND_REDO(w, "Check All", before, shownBy(w));
        w->databaseTab()->searchField()->clear();
        QCOMPARE(w->document().checkedRecordCount(), 1);

        before = shownBy(w);
        menuItem(w, "Records", "Invert Checks")->trigger();
        QCOMPARE(w->document().checkedRecordCount(), 2);
        UNDO_AND_REDO(w, "Invert Checks", before, shownBy(w));

        before = shownBy(w);
        menuItem(w, "Records", "Uncheck All")->trigger();
        QCOMPARE(w->document().checkedRecordCount(), 0);
        UNDO_AND_REDO(w, "Uncheck All", before, shownBy(w));
    }

    void deleteCheckedAsksForTheListedOnes()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}, {"Bob"}, {"Abe"}});
        QTableView* records = w->databaseTab()->recordTable();
        menuItem(w, "Records", "Check All")->trigger();
        // "Bob" is checked but not listed: it stays, and the question counts two.
        QTest::keyClicks(w->databaseTab()->searchField(), "a");
        records->setFocus();
        const QString before = shownBy(w);
        QString question;
        answerNextMessageBox("OK", &question);
        menuItem(w, "Records", "Delete Checked")->trigger();
        QCOMPARE(question, Alert::deleteCheckedRecords(2).messageText);
        QCOMPARE(records->model()->rowCount(), 0);
        UNDO_AND_REDO(w, "Delete Checked", before, shownBy(w));
        w->databaseTab()->searchField()->clear();
        QCOMPARE(records->model()->rowCount(), 1);
    }

    void renumberAndSortRecords()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Cid"}, {"Ann"}, {"Bob"}});
        QTableView* records = w->databaseTab()->recordTable();
        QAction* sort = menuItem(w, "Records", "Sort Records");
        QVERIFY(sort);
        QVERIFY(!sort->isEnabled()); // nothing sorted yet

        // The header's sort orders the table only; Sort Records makes it the stored order.
        const QString unsorted = shownBy(w);
        QHeaderView* header = records->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QCOMPARE(cell(records, 0, 2), QStringLiteral("Ann"));
        QCOMPARE(cell(w->prototypeTab()->onePerRecord()->recordTable(), 0, 2),
                 QStringLiteral("Cid"));
        QVERIFY(sort->isEnabled());
        records->setFocus();
        sort->trigger();
        QVERIFY(!sort->isEnabled());
        QCOMPARE(header->sortIndicatorSection(), -1);
        QCOMPARE(cell(w->prototypeTab()->onePerRecord()->recordTable(), 0, 2),
                 QStringLiteral("Ann"));
        UNDO_AND_REDO(w, "Sort Records", unsorted, shownBy(w));

        // Renumbering follows the table's order.
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QCOMPARE(cell(records, 0, 2), QStringLiteral("Cid"));
        const QString before = shownBy(w);
        menuItem(w, "Records", "Renumber")->trigger();
        QCOMPARE(cell(records, 0, 0), QStringLiteral("1"));
        QCOMPARE(cell(records, 2, 0), QStringLiteral("3"));
        QCOMPARE(cell(records, 2, 2), QStringLiteral("Ann"));
        UNDO_AND_REDO(w, "Renumber", before, shownBy(w));
    }

    void importFromTheMenu()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Old"}});
        const QString path = m_scratch->writeFile("clients.csv", "Ann;Rome\nBob;Oslo\n");
        QTest::keyClicks(w->databaseTab()->searchField(), "old");
        QTest::keyClick(w, Qt::Key_5, Qt::ControlModifier);
        const QString before = shownBy(w);
        onNextModal<ImportFileDialog>([path](ImportFileDialog* files) {
            choose(files->findChild<QComboBox*>("importFormat"), "Semicolon-separated");
            enterFile(files, path);
            onNextModal<ImportSettingsDialog>([](ImportSettingsDialog* settings) {
                click(settings, "mapAllToNewFields");
                click(settings, "importButton");
            });
        });
        menuItem(w, "File", "Import")->trigger();
        // Shown on the database tab, every record listed.
        QCOMPARE(w->tabs()->currentWidget(), w->databaseTab());
        QCOMPARE(w->databaseTab()->searchField()->text(), QString());
        QTableView* records = w->databaseTab()->recordTable();
        QCOMPARE(records->model()->rowCount(), 3);
        QCOMPARE(w->databaseTab()->keyTable()->model()->rowCount(), 5);
        QCOMPARE(cell(records, 2, 4), QStringLiteral("Oslo"));
        records->setFocus();
        UNDO_AND_REDO(w, "Import of clients.csv", before, shownBy(w));
    }

    void prototypeListCommands()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        PrototypeSidePanel* one = w->prototypeTab()->allInOne();
        PrototypeSidePanel* each = w->prototypeTab()->onePerRecord();

        // From the menu: the files tab, the side on show, the new path selected.
        w->actions().prototypeSides[1]->trigger();
        QTest::keyClick(w, Qt::Key_1, Qt::ControlModifier);
        QString before = shownBy(w);
        menuItem(w, "Prototypes", "Add Prototype")->trigger();
        QCOMPARE(w->tabs()->currentWidget(), w->prototypeTab());
        QCOMPARE(each->nameField()->text(), QStringLiteral("Untitled"));
        each->prototypeTable()->setFocus();
        UNDO_AND_REDO(w, "Add Path", before, shownBy(w));

        w->actions().prototypeSides[0]->trigger();
        before = shownBy(w);
        QTest::mouseClick(one->addButton(), Qt::LeftButton);
        QCOMPARE(cell(one->prototypeTable(), 0, 2), QStringLiteral("Untitled"));
        one->prototypeTable()->setFocus();
        UNDO_AND_REDO(w, "Add Path", before, shownBy(w));

        one->prototypeTable()->setCurrentIndex(one->prototypeTable()->model()->index(0, 2));
        before = shownBy(w);
        QTest::mouseClick(one->removeButton(), Qt::LeftButton);
        QCOMPARE(one->prototypeTable()->model()->rowCount(), 0);
        QCOMPARE(one->nameField()->text(), QString());
        UNDO_AND_REDO(w, "Delete Path", before, shownBy(w));
        // The menu removes the selected path of the side on show.
        menuItem(w, "Edit", "Undo")->trigger();
        one->prototypeTable()->setCurrentIndex(one->prototypeTable()->model()->index(0, 2));
        QVERIFY(menuItem(w, "Prototypes", "Remove Prototype")->isEnabled());
        menuItem(w, "Prototypes", "Remove Prototype")->trigger();
        QCOMPARE(titleOf(menuItem(w, "Edit", "Undo")), QStringLiteral("Undo Delete Path"));
        QCOMPARE(one->prototypeTable()->model()->rowCount(), 0);
    }

    void typingAPathAndItsFolderSwitch()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        w->actions().prototypeSides[1]->trigger();
        PrototypeSidePanel* each = w->prototypeTab()->onePerRecord();
        QTest::mouseClick(each->addButton(), Qt::LeftButton);
        each->recordTable()->setCurrentIndex(each->recordTable()->model()->index(0, 2));

        // Typing and a tag from the menu are one step while the field keeps the focus.
        const QString untitled = shownBy(w);
        QLineEdit* name = each->nameField();
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, "card-");
        QVERIFY(each->tagButton()->isEnabled());
        tagItem(each->tagButton(), "<Name>")->trigger();
        QCOMPARE(name->text(), QStringLiteral("card-<Name>"));
        QCOMPARE(each->exampleLabel()->text(), QStringLiteral("card-Ann"));
        QCOMPARE(w->undoStack().count(), size_t(2));

        // Leaving the field ends the step.
        QTest::keyClick(name, Qt::Key_Return);
        const QString before = shownBy(w);
        QTest::keyClicks(name, ".txt");
        QCOMPARE(w->undoStack().count(), size_t(3));
        // The keys pressed in the name field undo the document's step, not the field's.
        UNDO_AND_REDO(w, "Typing in Path", before, shownBy(w));
        QCOMPARE(QApplication::focusWidget(), name);
        QCOMPARE(name->text(), QStringLiteral("card-<Name>.txt"));
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(name->text(), QStringLiteral("card-<Name>"));
        QCOMPARE(each->exampleLabel()->text(), QStringLiteral("card-Ann"));
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(name->text(), QStringLiteral("Untitled"));
        QCOMPARE(each->exampleLabel()->text(), QStringLiteral("Untitled"));
        QCOMPARE(shownBy(w), untitled);
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(name->text(), QStringLiteral("card-<Name>"));
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);

        QTableView* table = each->prototypeTable();
        const QString file = shownBy(w);
        toggle(table, 0, 1);
        QCOMPARE(table->model()->index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        const QString folder = shownBy(w);
        UNDO_AND_REDO(w, "Make Folder", file, folder);
        toggle(table, 0, 1);
        UNDO_AND_REDO(w, "Make File", folder, file);
    }

    void typingInTheTemplates()
    {
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}});
        Document& doc = w->document();
        PrototypePtr list = newPrototype(PrototypeSide::AllInOne);
        list->path = "list.txt";
        PrototypePtr card = newPrototype(PrototypeSide::OnePerRecord);
        card->path = "<Name>.txt";
        doc.insertPrototype(0, list);
        doc.insertPrototype(1, card);
        QTest::keyClick(w, Qt::Key_3, Qt::ControlModifier);
        MergeTab* merge = w->mergeTab();

        // Each editor is a step of its own: leaving one ends its typing.
        chooseItem(merge->itemTable(), "list.txt");
        const std::array<QString, 4> names = {"Head", "Text", "Separator", "Foot"};
        std::array<QString, 5> shown = {shownBy(w)};
        for (size_t i = 0; i < names.size(); ++i) {
            QPlainTextEdit* editor = merge->allInOneEditors()[i]->editor();
            editor->setFocus();
            QTest::keyClicks(editor, names[i].toLower());
            QCOMPARE(editor->toPlainText(), names[i].toLower());
            QCOMPARE(w->undoStack().count(), i + 1);
            shown[i + 1] = shownBy(w);
        }
        QCOMPARE(list->foot, QStringLiteral("foot"));
        for (size_t i = names.size(); i-- > 0;) {
            merge->allInOneEditors()[i]->editor()->setFocus();
            UNDO_AND_REDO(w, "Typing in " + names[i], shown[i], shown[i + 1]);
            menuItem(w, "Edit", "Undo")->trigger();
        }
        QCOMPARE(shownBy(w), shown[0]);
        QCOMPARE(list->head, QString());

        // Typing and a tag are one step; coming back to the editor starts another.
        chooseItem(merge->itemTable(), "<Name>.txt");
        TemplateEditor* text = merge->perRecordText();
        const QString before = shownBy(w);
        text->editor()->setFocus();
        QTest::keyClicks(text->editor(), "Dear ");
        tagItem(text->tagButton(), "<Name>")->trigger();
        QCOMPARE(text->editor()->toPlainText(), QStringLiteral("Dear <Name>"));
        QCOMPARE(w->undoStack().count(), size_t(1));
        const QString tagged = shownBy(w);
        merge->itemTable()->setFocus();
        text->editor()->setFocus();
        QTest::keyClicks(text->editor(), "!");
        QCOMPARE(w->undoStack().count(), size_t(2));
        UNDO_AND_REDO(w, "Typing in Text", tagged, shownBy(w));
        QCOMPARE(QApplication::focusWidget(), text->editor());
        menuItem(w, "Edit", "Undo")->trigger();
        QCOMPARE(card->text, QStringLiteral("Dear <Name>"));
        UNDO_AND_REDO(w, "Typing in Text", before, tagged);
    }

    void runTabCommands()
    {
        DocumentWindow* w = openSavedWindow();
        QTest::keyClick(w, Qt::Key_5, Qt::ControlModifier);
        RunTab* tab = w->runTab();
        const QString dest = m_scratch->filePath("out");
        QVERIFY(QDir().mkpath(dest));

        QString before = shownBy(w);
        pressInNext<QFileDialog>("Select", [dest](QFileDialog* d) { d->setDirectory(dest); });
        for (QPushButton* b : tab->findChildren<QPushButton*>())
            if (b->text() == "Choose…")
                QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(tab->findChild<QLineEdit*>()->text(), dest);
        tab->logView()->setFocus();
        UNDO_AND_REDO(w, "Choose Destination", before, shownBy(w));

        // The log is never saved: a run writing to it or clearing it leaves the document
        // unedited (closing asks nothing), and only clearing is a step.
        QVERIFY(w->saveAs(m_scratch->filePath("run.quillory")));
        for (QPushButton* b : tab->findChildren<QPushButton*>())
            if (b->text() == "Run")
                QTest::mouseClick(b, Qt::LeftButton);
        // The run works on the document as it found it: until its end (which the window
        // learns from its event loop) nothing imports into it, edits it or undoes a step.
        const QList<QStringList> editing = {
            {"File", "Import"}, {"Records", "Add Record"}, {"Edit", "Undo"}};
        QVERIFY(tab->isRunning());
        for (const QStringList& item : editing)
            QVERIFY2(!menuItem(w, item[0], item[1])->isEnabled(), qPrintable(item[1]));
        QTRY_VERIFY(!tab->isRunning());
        for (const QStringList& item : editing)
            QVERIFY2(menuItem(w, item[0], item[1])->isEnabled(), qPrintable(item[1]));
        QVERIFY(tab->logView()->toPlainText().contains("Totally created"));
        QVERIFY(!w->isWindowModified());
        QCOMPARE(w->undoStack().count(), size_t(1));
        before = shownBy(w);
        for (QPushButton* b : tab->findChildren<QPushButton*>())
            if (b->text() == "Clear Log")
                QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(tab->logView()->toPlainText(), QString());
        QVERIFY(!w->isWindowModified());
        UNDO_AND_REDO(w, "Clear Log", before, shownBy(w));
    }
};

QUILLORY_WINDOW_TEST_MAIN(WindowUndoTest)

#include "tst_windowundo.moc"
