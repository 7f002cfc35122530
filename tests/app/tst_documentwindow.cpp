#include "app/dialogs/exportsettingsdialog.h"
#include "app/document/documentwindow.h"
#include "app/document/windowstate.h"
#include "app/models/recordtablemodel.h"
#include "app/shell/application.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/prototypesidepanel.h"
#include "app/widgets/prototypetab.h"
#include "archive/documentcodec.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "core/tabids.h"
#include "support/documentbuilder.h"
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
        QCOMPARE(w->state().mainTabId(), TabIds::kFiles);
        QVERIFY(!w->actions().deleteField->isEnabled());
        QTest::keyClick(w, Qt::Key_1, Qt::ControlModifier);
        QString question;
        answerNextMessageBox("Cancel", &question);
        w->actions().deleteField->trigger();
        QCOMPARE(question, Alert::deleteKey("KEY1").messageText);
        QCOMPARE(doc.keyArray().size(), size_t(3));
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
        // Its changes were never saved: the window says so and asks before closing.
        QVERIFY(reopened[0]->isWindowModified());
        QVERIFY(reopened[0]->hasUnsavedChanges());
        // Saving clears the recovery copy: the next launch offers nothing.
        QVERIFY(reopened[0]->saveAs(m_scratch->filePath("recovered.quillory")));
        QVERIFY(m_app->recovery().list().empty());
    }

    void revertToSavedAsksAndClearsTheHistory()
    {
        DocumentWindow* w = newWindow();
        test::fillDocument(w->document(), {"Name"}, {{"Ann"}});
        const QString path = m_scratch->filePath("revert.quillory");
        QVERIFY(w->saveAs(path));
        QVERIFY(!w->actions().revert->isEnabled()); // nothing to revert
        w->actions().addRecord->trigger();
        QAbstractItemModel* records = w->databaseTab()->recordTable()->model();
        QCOMPARE(records->rowCount(), 2);

        // Cancel is the default and Escape answers it: nothing changes.
        QString question;
        QString defaultButton;
        onNextModal<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            QStringList titles;
            for (QAbstractButton* b : box->buttons())
                titles << b->text();
            titles.sort();
            QCOMPARE(titles, (QStringList{"Cancel", "Revert"}));
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QAction* revert = menuItem(w, "File", "Revert to Saved");
        QVERIFY(revert && revert->isEnabled());
        revert->trigger();
        QCOMPARE(question,
                 QStringLiteral("Revert to the saved version? Your changes will be lost."));
        QCOMPARE(defaultButton, QStringLiteral("Cancel"));
        QCOMPARE(records->rowCount(), 2);
        QVERIFY(w->actions().undo->isEnabled());

        answerNextMessageBox("Revert");
        revert->trigger();
        QCOMPARE(records->rowCount(), 1);
        QVERIFY(!w->isWindowModified());
        // The history went with the changes, and reverting is no step of its own.
        QVERIFY(!w->actions().undo->isEnabled());
        QCOMPARE(titleOf(w->actions().undo), QStringLiteral("Undo"));
        QVERIFY(!w->actions().redo->isEnabled());
        QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(records->rowCount(), 1);
    }

    // The file keeps the tabs the window showed when it was saved, the recovery copy too.
    void savedTabsAreTheShownOnes()
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
        // Showing a tab is no change of the document.
        QVERIFY(!w->isWindowModified());

        w->actions().addField->trigger(); // shows the database tab
        w->actions().prototypeSides[0]->trigger();
        w->writeRecoveryCopy();
        const std::vector<RecoveredDocument> copies = m_app->recovery().list();
        QCOMPARE(copies.size(), size_t(1));
        Result<DocumentContents> copy = DocumentCodec::contentsOfFile(copies[0].copyPath);
        QVERIFY(copy);
        QCOMPARE(copy.value().mainTabId, TabIds::kFiles);
        QCOMPARE(copy.value().secTabId, TabIds::kAllInOne);
    }

    void exportShowsTheRecordsWhileTheFieldsAreChosen()
    {
        DocumentWindow* w = newWindow();
        QTest::keyClick(w, Qt::Key_5, Qt::ControlModifier);
        QWidget* shownWhileChoosing = nullptr;
        onNextModal<ExportSettingsDialog>([&](ExportSettingsDialog* settings) {
            shownWhileChoosing = w->tabs()->currentWidget();
            settings->reject();
        });
        menuItem(w, "File", "Export")->trigger();
        QCOMPARE(shownWhileChoosing, w->databaseTab());
        QVERIFY(!w->actions().undo->isEnabled()); // an export changes nothing
    }
};

QUILLORY_WINDOW_TEST_MAIN(DocumentWindowTest)

#include "tst_documentwindow.moc"
