#include "app/document/documentwindow.h"
#include "app/shell/application.h"
#include "app/widgets/mergetab.h"
#include "app/widgets/previewtab.h"
#include "app/widgets/scrollfollower.h"
#include "app/widgets/templateeditor.h"
#include "commands/prototypecommands.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "prototypes/prototypeside.h"
#include "support/documentbuilder.h"
#include "windowtest.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QToolButton>

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
        menuAction(text->tagButton(), "<Name>")->trigger();
        QTest::keyClicks(text->editor(), "!");
        QCOMPARE(doc().universalFilePrototypeArray()[0]->text, QStringLiteral("Dear <Name>!"));
        // Typing and the tag are one step until the editor is left.
        QCOMPARE(m_window->undoStack().count(), size_t(1));
        QCOMPARE(m_window->undoStack().undoName(), QStringLiteral("Typing in Text"));
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
