#include "app/document/documentwindow.h"
#include "app/models/recordtablemodel.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/prototypesidepanel.h"
#include "app/widgets/prototypetab.h"
#include "core/document.h"
#include "support/scratchfolder.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace quillory;

namespace {

// Presses the button titled text on the next message box that opens (they are modal).
void answerNextMessageBox(const QString& text, QString* seen = nullptr)
{
    QTimer::singleShot(0, [text, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY2(box, "no message box is open");
        if (seen)
            *seen = box->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == text)
                return b->click();
        QFAIL(qPrintable(QStringLiteral("no button '%1' on '%2'").arg(text, box->text())));
    });
}

// Types text into the cell at row and column of table, as a person would: select, type, Enter.
void typeIntoCell(QTableView* table, int row, int column, const QString& text)
{
    const QModelIndex index = table->model()->index(row, column);
    table->setCurrentIndex(index);
    table->edit(index);
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit*>(editor));
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits the editor's text from its event loop.
    QCoreApplication::processEvents();
}

} // namespace

class DocumentWindowTest : public QObject, private WindowTestBase
{
    Q_OBJECT

    DocumentWindow* newWindow()
    {
        DocumentWindow* w = m_app->newDocument();
        w->setRecoveryInterval(3600 * 1000);
        // Shortcuts and cell editors need the window to have the keyboard focus.
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            qWarning("the window did not become active");
        return w;
    }

private slots:
    void init() { startApplication(); }

    void cleanup() { stopApplication(); }

    void editingFieldsAndRecordsGoesThroughTheDocument()
    {
        DocumentWindow* w = newWindow();
        Document& doc = w->document();
        w->actions().addField->trigger();
        QCOMPARE(doc.keyArray().size(), size_t(3));
        typeIntoCell(w->databaseTab()->keyTable(), 2, 0, "Name");
        QCOMPARE(doc.keyArray()[2].publicKey, QStringLiteral("Name"));
        // A blank name is refused and the old one stays.
        typeIntoCell(w->databaseTab()->keyTable(), 2, 0, "   ");
        QCOMPARE(doc.keyArray()[2].publicKey, QStringLiteral("Name"));

        for (const char* name : {"Alice", "Bob", "alfred"}) {
            w->actions().addRecord->trigger();
            QTableView* records = w->databaseTab()->recordTable();
            typeIntoCell(records, records->currentIndex().row(), 2, QString::fromLatin1(name));
        }
        QCOMPARE(doc.dataArray().size(), size_t(3));
        QCOMPARE(doc.dataArray()[1]->value(doc.keyArray()[2].innerKey).toString(), "Bob");
        QVERIFY(doc.isDocumentEdited());
        QVERIFY(w->isWindowModified());

        QTest::keyClicks(w->databaseTab()->searchField(), "AL");
        QCOMPARE(w->databaseTab()->recordModel()->rowCount(), 2);
        w->databaseTab()->searchField()->clear();
        QCOMPARE(w->databaseTab()->recordModel()->rowCount(), 3);

        // Until a header is clicked the table shows the stored order, which is the run's.
        QCOMPARE(w->databaseTab()->recordModel()->recordAt(0), doc.dataArray()[0]);
        // Sorting by the header is case-insensitive and leaves the stored order alone.
        w->databaseTab()->recordTable()->sortByColumn(2, Qt::AscendingOrder);
        QCOMPARE(
            w->databaseTab()->recordModel()->data(w->databaseTab()->recordModel()->index(1, 2)),
            QVariant("Alice"));
        QCOMPARE(doc.dataArray()[0]->value(doc.keyArray()[2].innerKey).toString(), "Alice");
    }

    void undoCheckInvertAndDeleteChecked()
    {
        DocumentWindow* w = newWindow();
        Document& doc = w->document();
        for (int i = 0; i < 4; ++i)
            w->actions().addRecord->trigger();
        // Undo and redo are named after the action they take back or do again.
        w->updateActions();
        QCOMPARE(w->actions().undo->text(), QStringLiteral("&Undo Add Record"));
        w->actions().undo->trigger();
        QCOMPARE(doc.dataArray().size(), size_t(3));
        QCOMPARE(w->actions().redo->text(), QStringLiteral("&Redo Add Record"));
        w->actions().redo->trigger();
        QCOMPARE(doc.dataArray().size(), size_t(4));
        w->actions().checkAll->trigger();
        QCOMPARE(doc.checkedRecordCount(), 4);
        // The user unticks the first record's mark in the table.
        QTableView* table = w->databaseTab()->recordTable();
        table->model()->setData(table->model()->index(0, 1), Qt::Unchecked, Qt::CheckStateRole);
        w->actions().invertChecks->trigger();
        QCOMPARE(doc.checkedRecordCount(), 1);
        QString question;
        answerNextMessageBox("Cancel", &question);
        w->actions().deleteChecked->trigger();
        QCOMPARE(doc.dataArray().size(), size_t(4));
        answerNextMessageBox("OK");
        w->actions().deleteChecked->trigger();
        QCOMPARE(doc.dataArray().size(), size_t(3));
        QCOMPARE(doc.checkedRecordCount(), 0);
        QVERIFY(question.contains('1'));
    }

    void deletingAFieldAsksAndFollowsTheTab()
    {
        DocumentWindow* w = newWindow();
        Document& doc = w->document();
        w->actions().addField->trigger();
        w->actions().addRecord->trigger();
        QTableView* keys = w->databaseTab()->keyTable();
        keys->setCurrentIndex(keys->model()->index(1, 0));
        QVERIFY(!w->actions().deleteField->isEnabled()); // "sel" is built in
        keys->setCurrentIndex(keys->model()->index(2, 0));
        QVERIFY(w->actions().deleteField->isEnabled());
        QTest::keyClick(w, Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(doc.mainTabId(), QStringLiteral("file"));
        QVERIFY(!w->actions().deleteField->isEnabled());
        QVERIFY(!w->actions().deleteRecord->isEnabled());
        QTest::keyClick(w, Qt::Key_1, Qt::ControlModifier);
        answerNextMessageBox("Delete");
        w->actions().deleteField->trigger();
        QCOMPARE(doc.keyArray().size(), size_t(2));
        QVERIFY(!doc.dataArray()[0]->contains(QStringLiteral("3")));
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
        const QString before = side->exampleLabel()->text();
        m_defaults->setValue("forceLeading0ForField1", true);
        m_defaults->setValue("forcedTotLenField1", 5);
        QCOMPARE(side->exampleLabel()->text(), QStringLiteral("00001.txt"));
        QVERIFY(before != side->exampleLabel()->text());
        const QAbstractItemModel* records = w->databaseTab()->recordModel();
        QCOMPARE(records->data(records->index(0, 0)).toString(), QStringLiteral("00001"));
    }

    void tabMenuChecksFollowTheShownTab()
    {
        DocumentWindow* w = newWindow();
        const DocumentActions& a = w->actions();
        QVERIFY(a.mainTabs[0]->isChecked());
        QVERIFY(!a.prototypeSides[0]->isChecked() && !a.prototypeSides[1]->isChecked());
        a.prototypeSides[1]->trigger();
        QCOMPARE(w->tabs()->currentIndex(), 1);
        QCOMPARE(w->prototypeTab()->sides()->currentIndex(), 1);
        QVERIFY(a.mainTabs[1]->isChecked() && a.prototypeSides[1]->isChecked());
        QVERIFY(!a.prototypeSides[0]->isChecked());
        QTest::keyClick(w, Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(w->document().mainTabId(), QStringLiteral("preview"));
        QVERIFY(!a.prototypeSides[1]->isChecked() && a.mainTabs[3]->isChecked());
        w->tabs()->setCurrentIndex(4); // a click on the tab
        QCOMPARE(w->document().mainTabId(), QStringLiteral("run"));
    }

    void prototypesAddRemoveAndTagInsertion()
    {
        DocumentWindow* w = newWindow();
        Document& doc = w->document();
        w->actions().addField->trigger();
        typeIntoCell(w->databaseTab()->keyTable(), 2, 0, "Name");
        w->actions().prototypeSides[1]->trigger();
        PrototypeSidePanel* side = w->prototypeTab()->onePerRecord();
        QTest::mouseClick(side->addButton(), Qt::LeftButton);
        QCOMPARE(doc.universalFilePrototypeArray().size(), size_t(1));
        const PrototypePtr proto = doc.universalFilePrototypeArray()[0];
        QVERIFY(proto->isMulti);
        side->nameField()->selectAll();
        QTest::keyClicks(side->nameField(), "Letters/");
        QCOMPARE(proto->path, QStringLiteral("Letters/"));
        QAction* nameTag = nullptr;
        for (QAction* a : side->tagButton()->menu()->actions())
            if (a->text() == "<Name>")
                nameTag = a;
        QVERIFY(nameTag);
        nameTag->trigger();
        QCOMPARE(proto->path, QStringLiteral("Letters/<Name>"));
        QCOMPARE(side->nameField()->text(), proto->path);

        QVERIFY(w->actions().removePrototype->isEnabled());
        w->actions().removePrototype->trigger();
        QVERIFY(doc.universalFilePrototypeArray().empty());
        QVERIFY(side->nameField()->text().isEmpty());
        w->actions().undo->trigger();
        QCOMPARE(doc.universalFilePrototypeArray().size(), size_t(1));
        QCOMPARE(side->nameField()->text(), QStringLiteral("Letters/<Name>"));
    }

    void savedDocumentReopensOnItsTab()
    {
        DocumentWindow* w = newWindow();
        w->actions().addField->trigger();
        w->actions().mainTabs[2]->trigger();
        const QString path = m_scratch->filePath("saved.quillory");
        QVERIFY(w->saveAs(path));
        QVERIFY(!w->isWindowModified());
        QVERIFY(w->windowTitle().startsWith("saved.quillory"));
        QVERIFY(w->close());
        DocumentWindow* again = m_app->openDocument(path);
        QVERIFY(again);
        QCOMPARE(again->tabs()->currentIndex(), 2);
        QCOMPARE(again->document().keyArray().size(), size_t(3));
        QCOMPARE(m_app->recentDocuments().value(0), QFileInfo(path).absoluteFilePath());

        // A damaged file is reported, never opened.
        const QString bad = m_scratch->writeFile("bad.quillory", "not a document");
        QString message;
        answerNextMessageBox("OK", &message);
        QVERIFY(!m_app->openDocument(bad));
        QVERIFY(message.contains("bad.quillory"));
    }

    void closingWithUnsavedChangesAsks()
    {
        DocumentWindow* w = newWindow();
        w->actions().addRecord->trigger();
        // A save that fails says why and keeps everything as it was.
        QString message;
        answerNextMessageBox("OK", &message);
        QVERIFY(!w->saveAs(m_scratch->filePath("no/such/folder/x.quillory")));
        QVERIFY(message.contains("x.quillory"));
        QVERIFY(w->document().isDocumentEdited());
        QCOMPARE(w->document().dataArray().size(), size_t(1));
        answerNextMessageBox("Cancel");
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        answerNextMessageBox("Discard");
        QVERIFY(w->close());
    }

    void recoveryAfterACrash()
    {
        DocumentWindow* w = newWindow();
        w->actions().addField->trigger();
        w->actions().addRecord->trigger();
        w->writeRecoveryCopy();
        // A crash: nothing is closed, the application is simply gone.
        delete w;
        m_app = std::make_unique<Application>(m_defaults.get(),
                                              RecoveryStore(m_scratch->filePath("recovery")));
        answerNextMessageBox("Reopen");
        const std::vector<DocumentWindow*> reopened = m_app->offerRecovery();
        QCOMPARE(reopened.size(), size_t(1));
        QCOMPARE(reopened[0]->document().dataArray().size(), size_t(1));
        QVERIFY(reopened[0]->document().isDocumentEdited());
        // Saving clears the recovery copy: the next launch offers nothing.
        QVERIFY(reopened[0]->saveAs(m_scratch->filePath("recovered.quillory")));
        QVERIFY(m_app->recovery().list().empty());
    }
};

QUILLORY_WINDOW_TEST_MAIN(DocumentWindowTest)

#include "tst_documentwindow.moc"
