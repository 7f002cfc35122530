#include "app/document/documentwindow.h"
#include "app/models/recordtablemodel.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/prototypesidepanel.h"
#include "app/widgets/prototypetab.h"
#include "core/document.h"
#include "support/scratchfolder.h"
#include "windowtest.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

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
        QCOMPARE(doc.dataArray()[1]->value(doc.keyArray()[2].innerKey).toString(), "Bob");
        QVERIFY(w->isWindowModified());

        QTest::keyClicks(w->databaseTab()->searchField(), "AL");
        QCOMPARE(w->databaseTab()->recordModel()->rowCount(), 2);
        w->databaseTab()->searchField()->clear();
        QCOMPARE(w->databaseTab()->recordModel()->rowCount(), 3);

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
        m_defaults->setValue("forceLeading0ForField1", true);
        m_defaults->setValue("forcedTotLenField1", 5);
        QCOMPARE(side->exampleLabel()->text(), QStringLiteral("00001.txt"));
        const QAbstractItemModel* records = w->databaseTab()->recordModel();
        QCOMPARE(records->data(records->index(0, 0)).toString(), QStringLiteral("00001"));
    }

    void savedDocumentReopensOnItsTab()
    {
        DocumentWindow* w = newWindow();
        w->actions().addField->trigger();
        w->actions().mainTabs[2]->trigger();
        const QString path = m_scratch->filePath("saved.quillory");
        QVERIFY(w->saveAs(path));
        QVERIFY(w->close());
        DocumentWindow* again = m_app->openDocument(path);
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
        // Saving clears the recovery copy: the next launch offers nothing.
        QVERIFY(reopened[0]->saveAs(m_scratch->filePath("recovered.quillory")));
        QVERIFY(m_app->recovery().list().empty());
    }
};

QUILLORY_WINDOW_TEST_MAIN(DocumentWindowTest)

#include "tst_documentwindow.moc"
