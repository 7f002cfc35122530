// Every user action of the document window is one step of its history: undone and redone by
// name through Edit > Undo and Redo and through the keys, the window shows again exactly what
// it showed before the step and after it.
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
#include "commands/runcommands.h"
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
#include <QStatusBar>
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

// Clicks the header of column in table.
void clickHeader(QTableView* table, int column)
{
    QHeaderView* header = table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

// Clicks the push button titled title in parent.
void clickButton(QWidget* parent, const QString& title)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>())
        if (b->text() == title)
            return QTest::mouseClick(b, Qt::LeftButton);
    QFAIL(qPrintable("no button " + title));
}

// A step done in the window as a person does it, with checks of what it shows at once.
using Step = std::function<void(DocumentWindow*)>;

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

    // Each row: prepare, then act; the step act made is undone and redone by its name.
    void eachStepShowsItsBeforeAndAfter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Step>("prepare");
        QTest::addColumn<Step>("act");
        const auto row = [](const char* tag, const char* name, Step prepare, Step act) {
            QTest::newRow(tag) << QString::fromUtf8(name) << prepare << act;
        };
        const auto fields = [](DocumentWindow* w) { return w->databaseTab()->keyTable(); };
        const auto records = [](DocumentWindow* w) { return w->databaseTab()->recordTable(); };
        const auto search = [](DocumentWindow* w, const char* text) {
            QTest::keyClicks(w->databaseTab()->searchField(), text);
            w->databaseTab()->recordTable()->setFocus();
        };
        const auto menu = [](DocumentWindow* w, const char* menu, const char* item) {
            QAction* action = menuItem(w, menu, item);
            QVERIFY2(action && action->isEnabled(), item);
            action->trigger();
        };
        const auto side = [](DocumentWindow* w, int side) {
            w->actions().prototypeSides[size_t(side)]->trigger();
            return side ? w->prototypeTab()->onePerRecord() : w->prototypeTab()->allInOne();
        };
        const auto addPath = [side](DocumentWindow* w) {
            QTest::mouseClick(side(w, 0)->addButton(), Qt::LeftButton);
            QTableView* table = side(w, 0)->prototypeTable();
            table->setCurrentIndex(table->model()->index(0, 2));
        };

        // Add Field shows the database tab first.
        row("Add Field", "Add Field", {}, [=](DocumentWindow* w) {
            QTest::keyClick(w, Qt::Key_3, Qt::ControlModifier);
            menu(w, "Records", "Add Field");
            QCOMPARE(w->tabs()->currentWidget(), w->databaseTab());
            QCOMPARE(cell(fields(w), 3, 0), QStringLiteral("KEY2"));
            fields(w)->setFocus();
        });
        row("Rename Field", "Rename Field", {}, [=](DocumentWindow* w) {
            typeIntoCell(fields(w), 2, 0, "City");
            QCOMPARE(records(w)->model()->headerData(2, Qt::Horizontal).toString(), "City");
        });
        // The built-in fields cannot go, nor any field while another tab is shown; deleting
        // asks and waits on Cancel.
        row("Delete Field", "Delete Field", {}, [=](DocumentWindow* w) {
            QAction* del = w->actions().deleteField;
            fields(w)->setCurrentIndex(fields(w)->model()->index(1, 0));
            QVERIFY(!del->isEnabled()); // "sel"
            fields(w)->setCurrentIndex(fields(w)->model()->index(2, 0));
            QVERIFY(del->isEnabled());
            QTest::keyClick(w, Qt::Key_2, Qt::ControlModifier);
            QVERIFY(!del->isEnabled());
            QTest::keyClick(w, Qt::Key_1, Qt::ControlModifier);
            QString question;
            answerNextMessageBox("Cancel", &question);
            del->trigger();
            QCOMPARE(question, Alert::deleteKey("Name").messageText);
            QCOMPARE(fields(w)->model()->rowCount(), 3);
            answerNextMessageBox("Delete");
            menu(w, "Records", "Delete Field");
            QCOMPARE(fields(w)->model()->rowCount(), 2);
        });
        row("Add Record", "Add Record", {}, [=](DocumentWindow* w) {
            menu(w, "Records", "Add Record");
            QCOMPARE(records(w)->model()->rowCount(), 4);
        });
        // Undoing puts the record back where it was, not at the end.
        row("Delete Record", "Delete Record", {}, [=](DocumentWindow* w) {
            QTest::mouseClick(records(w)->viewport(), Qt::LeftButton, {},
                              records(w)->visualRect(records(w)->model()->index(0, 2)).center());
            menu(w, "Records", "Delete Record");
            QCOMPARE(cell(records(w), 0, 2), QStringLiteral("Bob"));
        });
        row("Check", "Check", {}, [=](DocumentWindow* w) { toggle(records(w), 1, 1); });
        // The checks act on the records the search lists.
        row(
            "Check All", "Check All", [=](DocumentWindow* w) { search(w, "bo"); },
            [=](DocumentWindow* w) {
                menu(w, "Records", "Check All");
                QCOMPARE(w->document().checkedRecordCount(), 1);
            });
        // "Bob" is checked but not listed: it stays, and the question counts two.
        row(
            "Delete Checked", "Delete Checked",
            [=](DocumentWindow* w) {
                menu(w, "Records", "Check All");
                search(w, "a");
            },
            [=](DocumentWindow* w) {
                QString question;
                answerNextMessageBox("OK", &question);
                menu(w, "Records", "Delete Checked");
                QCOMPARE(question, Alert::deleteCheckedRecords(2).messageText);
                QCOMPARE(records(w)->model()->rowCount(), 0);
            });
        // The header's sort orders the table only; Sort Records makes it the stored order.
        row("Sort Records", "Sort Records", {}, [=](DocumentWindow* w) {
            QAction* sort = menuItem(w, "Records", "Sort Records");
            QVERIFY(!sort->isEnabled()); // nothing sorted yet
            clickHeader(records(w), 2);
            QTableView* examples = w->prototypeTab()->onePerRecord()->recordTable();
            QCOMPARE(cell(records(w), 0, 2), QStringLiteral("Abe"));
            QCOMPARE(cell(examples, 0, 2), QStringLiteral("Ann"));
            menu(w, "Records", "Sort Records");
            QVERIFY(!sort->isEnabled());
            QCOMPARE(records(w)->horizontalHeader()->sortIndicatorSection(), -1);
            QCOMPARE(cell(examples, 0, 2), QStringLiteral("Abe"));
        });
        // Renumbering follows the table's order.
        row(
            "Renumber", "Renumber",
            [=](DocumentWindow* w) {
                clickHeader(records(w), 2);
                clickHeader(records(w), 2);
            },
            [=](DocumentWindow* w) {
                menu(w, "Records", "Renumber");
                QCOMPARE(cell(records(w), 0, 2) + cell(records(w), 0, 0), QStringLiteral("Bob1"));
                QCOMPARE(cell(records(w), 2, 2) + cell(records(w), 2, 0), QStringLiteral("Abe3"));
            });
        // An import shows the database tab with every record listed, and says what it did.
        row("Import", "Import of clients.csv", {}, [=, this](DocumentWindow* w) {
            search(w, "ann");
            QTest::keyClick(w, Qt::Key_5, Qt::ControlModifier);
            const QString path = m_scratch->writeFile("clients.csv", "Cy;Rome\nDan;Oslo\n");
            // Semicolons are what a first import reads.
            answerImport(path, [](ImportSettingsDialog* settings) {
                click(settings, "mapAllToNewFields");
                click(settings, "importButton");
            });
            menu(w, "File", "Import");
            QCOMPARE(w->tabs()->currentWidget(), w->databaseTab());
            QCOMPARE(w->databaseTab()->searchField()->text(), QString());
            QCOMPARE(fields(w)->model()->rowCount(), 5);
            QCOMPARE(cell(records(w), 4, 4), QStringLiteral("Oslo"));
            QCOMPARE(w->statusBar()->currentMessage(),
                     QStringLiteral("Imported 2 records from clients.csv"));
            records(w)->setFocus();
        });
        // From the menu: the files tab, the side on show, the new path selected.
        row(
            "Add Prototype", "Add Path",
            [=](DocumentWindow* w) {
                side(w, 1);
                QTest::keyClick(w, Qt::Key_1, Qt::ControlModifier);
            },
            [=](DocumentWindow* w) {
                menu(w, "Prototypes", "Add Prototype");
                QCOMPARE(w->tabs()->currentWidget(), w->prototypeTab());
                QCOMPARE(side(w, 1)->nameField()->text(), QStringLiteral("Untitled"));
                side(w, 1)->prototypeTable()->setFocus();
            });
        row("Remove, the button", "Delete Path", addPath, [=](DocumentWindow* w) {
            QTest::mouseClick(side(w, 0)->removeButton(), Qt::LeftButton);
            QCOMPARE(side(w, 0)->prototypeTable()->model()->rowCount(), 0);
            QCOMPARE(side(w, 0)->nameField()->text(), QString());
        });
        row("Remove Prototype", "Delete Path", addPath, [=](DocumentWindow* w) {
            menu(w, "Prototypes", "Remove Prototype");
            QCOMPARE(side(w, 0)->prototypeTable()->model()->rowCount(), 0);
        });
        row("Make Folder", "Make Folder", addPath,
            [=](DocumentWindow* w) { toggle(side(w, 0)->prototypeTable(), 0, 1); });
        row("Choose Destination", "Choose Destination", {}, [=, this](DocumentWindow* w) {
            const QString dest = m_scratch->filePath("out");
            QVERIFY(QDir().mkpath(dest));
            QTest::keyClick(w, Qt::Key_5, Qt::ControlModifier);
            pressInNext<QFileDialog>("Select", [dest](QFileDialog* d) { d->setDirectory(dest); });
            clickButton(w->runTab(), "Choose…");
            QCOMPARE(w->runTab()->findChild<QLineEdit*>()->text(), dest);
            w->runTab()->logView()->setFocus();
        });
        // The log is never saved: clearing it is a step that leaves the document unedited.
        row(
            "Clear Log", "Clear Log",
            [](DocumentWindow* w) { w->state().runLog().append("Started\n"); },
            [=](DocumentWindow* w) {
                menu(w, "Run", "Clear Log");
                QCOMPARE(w->tabs()->currentWidget(), w->runTab());
                QCOMPARE(w->runTab()->logView()->toPlainText(), QString());
                QVERIFY(!w->isWindowModified());
            });
    }

    void eachStepShowsItsBeforeAndAfter()
    {
        QFETCH(QString, name);
        QFETCH(Step, prepare);
        QFETCH(Step, act);
        DocumentWindow* w = openSavedWindow({"Name"}, {{"Ann"}, {"Bob"}, {"Abe"}});
        if (prepare)
            prepare(w);
        const QString before = shownBy(w);
        act(w);
        if (QTest::currentTestFailed())
            return;
        UNDO_AND_REDO(w, name, before, shownBy(w));
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
        menuItem(w, "Edit", "Undo")->trigger();
        QCOMPARE(shownBy(w), untouched);
        QVERIFY(!menuItem(w, "Edit", "Undo")->isEnabled());
    }

    void typingAPath()
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

    // A run works on the document as it found it: until its end (which the window learns from
    // its event loop) nothing imports into it, edits it or undoes a step. Its log is never
    // saved: the document stays unedited and no step is added.
    void aRunLocksTheDocumentAndAddsNoStep()
    {
        DocumentWindow* w = openSavedWindow();
        const QString dest = m_scratch->filePath("out");
        QVERIFY(QDir().mkpath(dest));
        QVERIFY(commands::chooseDestination(w->undoStack(), dest)); // a step to undo
        QVERIFY(w->save());
        QTest::keyClick(w, Qt::Key_5, Qt::ControlModifier);
        RunTab* tab = w->runTab();
        clickButton(tab, "Run");
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
    }
};

QUILLORY_WINDOW_TEST_MAIN(WindowUndoTest)

#include "tst_windowundo.moc"
