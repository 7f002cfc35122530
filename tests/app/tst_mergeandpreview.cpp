#include "app/document/documentactions.h"
#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/mergetab.h"
#include "app/widgets/previewtab.h"
#include "app/widgets/prototypesidepanel.h"
#include "app/widgets/prototypetab.h"
#include "app/widgets/scrollfollower.h"
#include "app/widgets/templateeditor.h"
#include "commands/fieldcommands.h"
#include "commands/prototypecommands.h"
#include "commands/recordcommands.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "prototypes/prototypeside.h"
#include "support/documentbuilder.h"
#include "windowtest.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QToolButton>
#include <QToolTip>

using namespace quillory;

namespace {

PrototypePtr prototype(const QString& path, PrototypeSide side)
{
    PrototypePtr p = newPrototype(side);
    p->path = path;
    return p;
}

// Chooses the row whose path is path in a table of generated items, as a click would.
void chooseItem(QTableView* table, const QString& path)
{
    for (int row = 0; row < table->model()->rowCount(); ++row)
        if (table->model()->index(row, 2).data().toString() == path)
            return table->setCurrentIndex(table->model()->index(row, 2));
    QFAIL(qPrintable("no item " + path));
}

QAction* menuAction(QToolButton* button, const QString& title)
{
    for (QAction* a : button->menu()->actions())
        if (a->text() == title)
            return a;
    return nullptr;
}

// The items of a tag menu as it shows them, "" for a separator.
QStringList menuTexts(QToolButton* button)
{
    QStringList texts;
    for (QAction* a : button->menu()->actions())
        texts << a->text();
    return texts;
}

const QStringList kDateTagItems = {
    "<YY> year, 4 digits", "<Y> year, 2 digits",   "<M> month, 01 to 12", "<D> day, 01 to 31",
    "<h> hour, 00 to 23",  "<m> minute, 00 to 59", "<s> second, 00 to 59"};

// Where the character at position of a name field or a template editor is drawn, in the
// coordinates of the widget that takes its mouse events.
QPoint pointAt(QWidget* editor, int position)
{
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        const auto x = [line](int p) {
            line->setCursorPosition(p);
            return line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        };
        return (x(position) + x(position + 1)) / 2;
    }
    auto* text = qobject_cast<QPlainTextEdit*>(editor);
    QTextCursor cursor(text->document());
    cursor.setPosition(position);
    const QRect left = text->cursorRect(cursor);
    cursor.setPosition(position + 1);
    return QPoint((left.x() + text->cursorRect(cursor).x()) / 2, left.center().y());
}

// How the character at position is marked, as a person sees it: "unknown" (a red wavy
// underline), "known" (in the link colour) or "plain". A template editor's layout says what it
// draws; a name field is looked at in its pixels.
QString markAt(QWidget* editor, int position)
{
    const QColor link = editor->palette().color(QPalette::Link);
    if (auto* text = qobject_cast<QPlainTextEdit*>(editor)) {
        const QTextBlock block = text->document()->findBlock(position);
        const int at = position - block.position();
        for (const QTextLayout::FormatRange& r : block.layout()->formats())
            if (at >= r.start && at < r.start + r.length) {
                if (r.format.underlineStyle() == QTextCharFormat::WaveUnderline &&
                    r.format.underlineColor() == QColor(Qt::red))
                    return "unknown";
                if (r.format.foreground().color() == link)
                    return "known";
            }
        return "plain";
    }
    const QPoint at = pointAt(editor, position);
    const QRect line = editor->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QImage shown = editor->grab().toImage();
    QString mark = "plain";
    // The character's column, from the top of its line to just under it, clear of the frame.
    for (int y = line.top(); y <= std::min(line.bottom() + 4, shown.height() - 1); ++y)
        for (int x = at.x() - 1; x <= at.x() + 1; ++x) {
            const QColor c = shown.pixelColor(x, y);
            if (c.red() > 200 && c.red() - c.green() > 100 && c.red() - c.blue() > 100)
                return "unknown";
            if (qAbs(c.red() - link.red()) + qAbs(c.green() - link.green()) +
                    qAbs(c.blue() - link.blue()) <
                60)
                mark = "known";
        }
    return mark;
}

// The tooltip shown when the mouse rests on the character at position, as plain text; empty
// when none shows.
QString tooltipAt(QWidget* editor, int position)
{
    auto* text = qobject_cast<QPlainTextEdit*>(editor);
    QWidget* target = text ? text->viewport() : editor;
    const QPoint at = pointAt(editor, position);
    QHelpEvent event(QEvent::ToolTip, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    // A tip that is not wanted there fades out.
    const bool shown =
        QToolTip::isVisible() && !QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 500);
    return shown ? QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText() : QString();
}

} // namespace

class MergeAndPreviewTest : public QObject, private WindowTestBase
{
    Q_OBJECT

    DocumentWindow* m_window = nullptr;

    Document& doc() { return m_window->document(); }

private slots:
    void init()
    {
        startApplication();
        m_window = m_app->newDocument();
        test::fillDocument(doc(), {"Name"}, {{"Ann"}, {"Bob"}});
        doc().insertPrototype(0, prototype("list.txt", PrototypeSide::AllInOne));
        doc().insertPrototype(1, prototype("<Name>.txt", PrototypeSide::OnePerRecord));
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    void cleanup() { stopApplication(); }

    void tagsGoIntoTheFocusedTemplate()
    {
        QTest::keyClick(m_window, Qt::Key_3, Qt::ControlModifier);
        MergeTab* merge = m_window->mergeTab();
        chooseItem(merge->itemTable(), "list.txt");
        TemplateEditor* text = merge->allInOneEditors()[1];
        TemplateEditor* separator = merge->allInOneEditors()[2];
        // Without the focus in an editor no tag menu can be used.
        merge->itemTable()->setFocus();
        for (TemplateEditor* e : merge->allInOneEditors())
            QVERIFY(!e->tagButton()->isEnabled());
        text->editor()->setFocus();
        QTest::keyClicks(text->editor(), "Dear ");
        QVERIFY(text->tagButton()->isEnabled());
        QVERIFY(!separator->tagButton()->isEnabled());
        // Each item says what its tag gives; a field's tag speaks for itself. Choosing one
        // inserts the tag alone.
        QCOMPARE(menuTexts(text->tagButton()),
                 kDateTagItems + QStringList({"", "<#> record counter", "<Name>"}));
        QCOMPARE(menuTexts(merge->allInOneEditors()[0]->tagButton()), kDateTagItems);
        menuAction(text->tagButton(), "<Name>")->trigger();
        QTest::keyClicks(text->editor(), " ");
        menuAction(text->tagButton(), "<h> hour, 00 to 23")->trigger();
        QTest::keyClicks(text->editor(), "!");
        QCOMPARE(doc().universalFilePrototypeArray()[0]->text, QStringLiteral("Dear <Name> <h>!"));

        // The separator's line break and spaces are drawn as marks, and stored as typed.
        separator->editor()->setFocus();
        QTest::keyClicks(separator->editor(), ", ");
        QTest::keyClick(separator->editor(), Qt::Key_Return);
        QCOMPARE(doc().universalFilePrototypeArray()[0]->separator, QStringLiteral(", \n"));
        // A mark widens the first line beyond what its text alone takes.
        const auto marked = [](TemplateEditor* e) {
            const QTextBlock first = e->editor()->document()->firstBlock();
            QTextLayout plain(first.text(), e->editor()->font());
            plain.beginLayout();
            plain.createLine();
            plain.endLayout();
            return first.layout()->lineAt(0).naturalTextWidth() >
                   plain.lineAt(0).naturalTextWidth() + 1;
        };
        QVERIFY(marked(separator));
        text->editor()->setFocus();
        QTest::keyClick(text->editor(), Qt::Key_Return);
        QVERIFY(!marked(text));
        QVERIFY(separator->editor()->document()->defaultTextOption().flags().testFlags(
            QTextOption::ShowLineAndParagraphSeparators | QTextOption::ShowTabsAndSpaces));
    }

    // The One per Record example is made with the first record until one is chosen; the name's
    // tag menu inserts the tag alone.
    void exampleNameTakesTheFirstRecordUntilOneIsChosen()
    {
        m_window->actions().prototypeSides[1]->trigger();
        PrototypeSidePanel* panel = m_window->prototypeTab()->onePerRecord();
        panel->prototypeTable()->setCurrentIndex(panel->prototypeTable()->model()->index(0, 2));
        QVERIFY(!panel->recordTable()->currentIndex().isValid());
        QCOMPARE(panel->exampleLabel()->text(), QStringLiteral("Ann.txt"));
        panel->nameField()->setFocus();
        panel->nameField()->setCursorPosition(0);
        QCOMPARE(menuTexts(panel->tagButton()).mid(kDateTagItems.size()),
                 (QStringList{"", "<#> record counter", "<Name>"}));
        menuAction(panel->tagButton(), "<#> record counter")->trigger();
        QCOMPARE(doc().universalFilePrototypeArray()[1]->path, QStringLiteral("<#><Name>.txt"));
        QCOMPARE(panel->exampleLabel()->text(), QStringLiteral("1Ann.txt"));
        panel->recordTable()->setCurrentIndex(panel->recordTable()->model()->index(1, 0));
        QCOMPARE(panel->exampleLabel()->text(), QStringLiteral("2Bob.txt"));
    }

    // A person types into a name field or a template editor; each tag is marked as a run
    // reads it there, with a tooltip on those it writes as typed, and the marks follow the
    // field's name.
    void tagsAreMarkedAsARunReadsThem_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("unknown");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("known");
        const QString noField = "%1 matches no field: a run writes it as typed.";
        const QString noRecord = "%1 stays as typed here: what is filled without a record "
                                 "takes only the date and time tags.";
        QTest::newRow("One per Record name")
            << "multi name"
            << "A <name>/<Name>.txt"
            << "<name>" << noField.arg("<name>") + " Did you mean <Name>?"
            << "<Name>";
        QTest::newRow("All in One name") << "one name"
                                         << "A <Name> <YY>.txt"
                                         << "<Name>" << noRecord.arg("<Name>") << "<YY>";
        QTest::newRow("text of each file") << "multi text"
                                           << "A <Prenom>, <Name>"
                                           << "<Prenom>" << noField.arg("<Prenom>") << "<Name>";
        QTest::newRow("head") << "head"
                              << "A <#> <D>"
                              << "<#>" << noRecord.arg("<#>") << "<D>";
        QTest::newRow("separator") << "separator"
                                   << "A <Name >: <Name>"
                                   << "<Name >" << noField.arg("<Name >") + " Did you mean <Name>?"
                                   << "<Name>";
    }

    void tagsAreMarkedAsARunReadsThem()
    {
        QFETCH(QString, editor);
        QFETCH(QString, typed);
        QFETCH(QString, unknown);
        QFETCH(QString, tooltip);
        QFETCH(QString, known);
        QWidget* edit = nullptr;
        if (editor.endsWith("name")) {
            const int side = editor.startsWith("multi") ? 1 : 0;
            m_window->actions().prototypeSides[side]->trigger();
            PrototypeSidePanel* panel = side ? m_window->prototypeTab()->onePerRecord()
                                             : m_window->prototypeTab()->allInOne();
            QTableView* table = panel->prototypeTable();
            table->setCurrentIndex(table->model()->index(0, 2));
            panel->nameField()->selectAll();
            edit = panel->nameField();
        } else {
            QTest::keyClick(m_window, Qt::Key_3, Qt::ControlModifier);
            MergeTab* merge = m_window->mergeTab();
            chooseItem(merge->itemTable(), editor == "multi text" ? "<Name>.txt" : "list.txt");
            edit = editor == "multi text" ? merge->perRecordText()->editor()
                   : editor == "head"     ? merge->allInOneEditors()[0]->editor()
                                          : merge->allInOneEditors()[2]->editor();
        }
        edit->setFocus();
        QTest::keyClicks(edit, typed);
        const int atUnknown = int(typed.indexOf(unknown)) + 1;
        const int atKnown = int(typed.lastIndexOf(known)) + 1;
        QCOMPARE(markAt(edit, 0), QStringLiteral("plain"));
        QCOMPARE(markAt(edit, atUnknown), QStringLiteral("unknown"));
        QCOMPARE(markAt(edit, atKnown), QStringLiteral("known"));
        QCOMPARE(tooltipAt(edit, atUnknown), tooltip);
        QCOMPARE(tooltipAt(edit, atKnown), QString());
        // A field renamed after the text was written leaves its old tag unknown.
        m_window->undoStack().closeTyping();
        commands::renameField(m_window->undoStack(), 2, "Nom");
        QCOMPARE(markAt(edit, atKnown), known == "<Name>" ? "unknown" : "known");
    }

    // Renaming a field asks once whether its tags follow; yes renames them in every
    // Prototype in the same step, Escape keeps them as they are.
    void renamingAFieldOffersToRenameItsTags_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addColumn<QString>("path");
        QTest::newRow("Rename Tags") << false << "<Nom>.txt";
        QTest::newRow("Escape keeps them") << true << "<Name>.txt";
    }

    void renamingAFieldOffersToRenameItsTags()
    {
        QFETCH(bool, escape);
        QFETCH(QString, path);
        const PrototypePtr list = doc().universalFilePrototypeArray()[0];
        const PrototypePtr each = doc().universalFilePrototypeArray()[1];
        commands::setPrototypeTemplate(m_window->undoStack(), list, TemplateKey::Text,
                                       "<Name> <YY>");
        m_window->undoStack().closeTyping();
        QString question;
        onNextModal<QMessageBox>([&](QMessageBox* box) {
            question = shownMessage(box);
            // The alert takes the focus from the cell editor, as a window manager gives it.
            box->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(box));
            if (escape)
                return QTest::keyClick(box, Qt::Key_Escape);
            for (QAbstractButton* b : box->buttons())
                if (b->text() == "Rename Tags")
                    b->click();
        });
        QTest::keyClick(m_window, Qt::Key_1, Qt::ControlModifier);
        typeIntoCell(m_window->databaseTab()->keyTable(), 2, 0, "Nom");
        QCOMPARE(question, QStringLiteral("Also rename the tag <Name> to <Nom> in 2 Prototypes?"));
        QCOMPARE(doc().keyArray()[2].publicKey, QStringLiteral("Nom"));
        QCOMPARE(each->path, path);
        QCOMPARE(list->text, QString(path).replace(".txt", " <YY>"));
        QCOMPARE(m_window->undoStack().undoName(), QStringLiteral("Rename Field"));
        menuItem(m_window, "Edit", "Undo")->trigger();
        QCOMPARE(doc().keyArray()[2].publicKey, QStringLiteral("Name"));
        QCOMPARE(each->path, QStringLiteral("<Name>.txt"));
        QCOMPARE(list->text, QStringLiteral("<Name> <YY>"));
    }

    void previewShowsTheChosenItemForTheChosenRecord()
    {
        doc().setPrototypeTemplate(doc().universalFilePrototypeArray()[1], TemplateKey::Text,
                                   "Dear <Name>, you are number <#>.");
        QTest::keyClick(m_window, Qt::Key_4, Qt::ControlModifier);
        PreviewTab* preview = m_window->previewTab();
        chooseItem(preview->itemTable(), "<Name>.txt");
        preview->recordTable()->setCurrentIndex(preview->recordTable()->model()->index(1, 0));
        QCOMPARE(preview->nameLabel()->text(), QStringLiteral("Bob.txt"));
        QCOMPARE(preview->contentView()->toPlainText(),
                 QStringLiteral("Dear Bob, you are number 2."));
        doc().setPrototypeTemplate(doc().universalFilePrototypeArray()[0], TemplateKey::Text,
                                   "<Name>");
        doc().setPrototypeTemplate(doc().universalFilePrototypeArray()[0], TemplateKey::Separator,
                                   ", ");
        chooseItem(preview->itemTable(), "list.txt");
        QCOMPARE(preview->contentView()->toPlainText(), QStringLiteral("Ann, Bob"));
        QVERIFY(preview->keptTagsLabel()->isHidden());
        // Tags a run writes as typed are named above the content.
        commands::setPrototypeTemplate(m_window->undoStack(),
                                       doc().universalFilePrototypeArray()[0], TemplateKey::Head,
                                       "<Name> <Prenom> <YY>");
        QCOMPARE(
            preview->keptTagsLabel()->text(),
            QStringLiteral("These tags match nothing here and stay as typed: <Name>, <Prenom>"));
        QVERIFY(preview->keptTagsLabel()->isVisible());
    }

    // Previous and Next step through the records in the order the table shows them, the
    // preview following, each disabled at its end.
    void theRecordNavigatorStepsThroughTheRecords()
    {
        commands::addRecord(m_window->undoStack(), {});
        doc().setRecordValue(doc().dataArray()[2], doc().keyArray()[2].innerKey,
                             Value::string("Cid"));
        QTest::keyClick(m_window, Qt::Key_4, Qt::ControlModifier);
        PreviewTab* preview = m_window->previewTab();
        chooseItem(preview->itemTable(), "<Name>.txt");
        QToolButton* previous = preview->previousRecordButton();
        QToolButton* next = preview->nextRecordButton();
        const auto shows = [&](const QString& position, const QString& name, bool back, bool on) {
            QCOMPARE(preview->recordPosition()->text(), position);
            QCOMPARE(preview->nameLabel()->text(), name);
            QCOMPARE(previous->isEnabled(), back);
            QCOMPARE(next->isEnabled(), on);
        };
        shows("3 records", ".txt", false, true);
        QTest::mouseClick(next, Qt::LeftButton);
        shows("1 of 3", "Ann.txt", false, true);
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::mouseClick(next, Qt::LeftButton);
        shows("3 of 3", "Cid.txt", true, false);
        QTest::mouseClick(previous, Qt::LeftButton);
        QTest::mouseClick(previous, Qt::LeftButton);
        shows("1 of 3", "Ann.txt", false, true);
        // Adding and deleting records change the count.
        commands::addRecord(m_window->undoStack(), {});
        shows("1 of 4", "Ann.txt", false, true);
        m_window->undoStack().undo();
        shows("1 of 3", "Ann.txt", false, true);
        // Sorted the other way, the chosen record keeps its place in the sort.
        preview->recordTable()->sortByColumn(2, Qt::DescendingOrder);
        shows("3 of 3", "Ann.txt", true, false);
        QTest::mouseClick(previous, Qt::LeftButton);
        shows("2 of 3", "Bob.txt", true, true);
        commands::deleteRecords(m_window->undoStack(), {doc().dataArray()[2]});
        shows("1 of 2", "Bob.txt", false, true);
    }

    // The items follow the Prototypes while a tab that lists them is shown, and are worked out
    // again when one is shown; a chosen item that is gone is chosen no more.
    void itemsFollowThePrototypes()
    {
        const PrototypePtr list = doc().universalFilePrototypeArray()[0];
        QTest::keyClick(m_window, Qt::Key_3, Qt::ControlModifier);
        MergeTab* merge = m_window->mergeTab();
        chooseItem(merge->itemTable(), "list.txt");
        QCOMPARE(merge->exampleLabel()->text(), QStringLiteral("list.txt"));
        QVERIFY(merge->allInOneEditors()[0]->isVisible());
        commands::setPrototypePath(m_window->undoStack(), list, "other.txt");
        QCOMPARE(merge->itemTable()->model()->index(0, 2).data().toString(), "other.txt");
        QCOMPARE(merge->exampleLabel()->text(), QString());
        QVERIFY(!merge->allInOneEditors()[0]->isVisible());

        QTest::keyClick(m_window, Qt::Key_4, Qt::ControlModifier);
        PreviewTab* preview = m_window->previewTab();
        chooseItem(preview->itemTable(), "other.txt");
        QCOMPARE(preview->nameLabel()->text(), QStringLiteral("other.txt"));
        // Changed while another tab is shown: the preview finds out when it is shown again.
        QTest::keyClick(m_window, Qt::Key_1, Qt::ControlModifier);
        commands::setPrototypePath(m_window->undoStack(), list, "third.txt");
        QTest::keyClick(m_window, Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(preview->itemTable()->model()->index(0, 2).data().toString(), "third.txt");
        QCOMPARE(preview->nameLabel()->text(), QString());
        QVERIFY(!preview->itemTable()->currentIndex().isValid());
    }

    void focusTimersRunOnlyWhileTheirTabIsShown()
    {
        QVERIFY(!m_window->focusTimersRunning());
        QTest::keyClick(m_window, Qt::Key_2, Qt::ControlModifier);
        QVERIFY(m_window->focusTimersRunning());
        QTest::keyClick(m_window, Qt::Key_5, Qt::ControlModifier);
        QVERIFY(!m_window->focusTimersRunning());
        QTest::keyClick(m_window, Qt::Key_3, Qt::ControlModifier);
        doc().markSaved();
        QVERIFY(m_window->close());
        QVERIFY(!m_window->focusTimersRunning());
    }

    void aTableFollowsTheOthersVerticalScrolling()
    {
        QStandardItemModel model(500, 3);
        QTableView leader, follower;
        leader.setModel(&model);
        follower.setModel(&model);
        for (QTableView* t : {&leader, &follower}) {
            t->resize(200, 200);
            t->show();
        }
        ScrollFollower follow(&follower, &leader);
        leader.verticalScrollBar()->setValue(120);
        follower.horizontalScrollBar()->setValue(5);
        QCOMPARE(follower.verticalScrollBar()->value(), 120);
        follower.verticalScrollBar()->setValue(3); // the follower does not lead
        QCOMPARE(leader.verticalScrollBar()->value(), 120);
        follow.stop();
        leader.verticalScrollBar()->setValue(40);
        QCOMPARE(follower.verticalScrollBar()->value(), 3);
    }
};

QUILLORY_WINDOW_TEST_MAIN(MergeAndPreviewTest)

#include "tst_mergeandpreview.moc"
