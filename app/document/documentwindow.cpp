#include "app/document/documentwindow.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/exportflow.h"
#include "app/dialogs/importflow.h"
#include "app/document/recoverystore.h"
#include "app/models/recordtablemodel.h"
#include "app/shell/application.h"
#include "app/shell/shell.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/mergetab.h"
#include "app/widgets/previewtab.h"
#include "app/widgets/prototypesidepanel.h"
#include "app/widgets/prototypetab.h"
#include "app/widgets/runtab.h"
#include "archive/documentcodec.h"
#include "core/document.h"
#include "merge/counterformatchange.h"
#include "merge/generateditems.h"
#include "merge/preview.h"
#include "prototypes/examplename.h"
#include "prototypes/prototypecommands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <QUuid>

#include <array>

namespace quillory {

namespace {

const std::array<QString, 5> kMainTabIds = {QStringLiteral("db"), QStringLiteral("file"),
                                            QStringLiteral("merge"), QStringLiteral("preview"),
                                            QStringLiteral("run")};
const QString kDocumentFilter = QStringLiteral("Quillory documents (*.quillory)");

// Forwards an edit command to the focused text field, which has a slot of that name.
void forwardToFocus(const char* slot)
{
    if (QWidget* focus = QApplication::focusWidget())
        QMetaObject::invokeMethod(focus, slot);
}

} // namespace

DocumentWindow::DocumentWindow(Application* app, std::unique_ptr<Document> doc, QString path,
                               QString recoveryId)
    : m_app(app), m_doc(std::move(doc)), m_path(std::move(path)),
      m_recoveryId(recoveryId.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces)
                                        : std::move(recoveryId))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The model steps of the window set-up, in their order: built-in keys, largest counter,
    // then the generated items.
    m_doc->prepareOpened();
    GeneratedItems::rebuild(*m_doc);

    createActions();
    m_tabs = new QTabWidget(this);
    m_database = new DatabaseTab(m_doc.get(), m_actions, m_tabs);
    m_prototypes = new PrototypeTab(m_doc.get(), m_tabs);
    m_tabs->addTab(m_database, tr("Database"));
    m_tabs->addTab(m_prototypes, tr("Files and Folders"));
    m_merge = new MergeTab(m_doc.get(), m_tabs);
    m_preview = new PreviewTab(m_doc.get(), m_tabs);
    m_run = new RunTab(m_doc.get(), m_tabs);
    m_tabs->addTab(m_merge, tr("Merge"));
    m_tabs->addTab(m_preview, tr("Preview"));
    m_tabs->addTab(m_run, tr("Run"));
    setCentralWidget(m_tabs);
    createMenus();
    m_nameFocusTimer = new QTimer(this);
    m_templateFocusTimer = new QTimer(this);
    for (QTimer* timer : {m_nameFocusTimer, m_templateFocusTimer}) {
        timer->setInterval(300);
        connect(timer, &QTimer::timeout, this, &DocumentWindow::refreshFocusFlags);
    }
    connect(qApp, &QApplication::focusChanged, this, &DocumentWindow::refreshFocusFlags);
    showMainTab();
    connectDocument();

    m_defaultsObserver = m_doc->userDefaults().addObserver([this](const QString& key) {
        if (CounterFormatChange::concerns(key)) {
            CounterFormatChange::apply(*m_doc);
            m_prototypes->onePerRecord()->showSelection();
        }
    });

    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setInterval(5000);
    connect(m_recoveryTimer, &QTimer::timeout, this, &DocumentWindow::writeRecoveryCopy);
    m_recoveryTimer->start();

    resize(1000, 680);
    updateTitle();
    updateActions();
}

DocumentWindow::~DocumentWindow()
{
    disconnect(qApp, nullptr, this, nullptr);
    // The views talk to the document while they are torn down: they go while it is alive.
    m_doc->userDefaults().removeObserver(m_defaultsObserver);
    m_doc->disconnect(this);
    delete takeCentralWidget();
}

void DocumentWindow::createActions()
{
    const auto make = [this](const QString& text, auto slot,
                             QKeySequence shortcut = QKeySequence()) {
        auto* action = new QAction(text, this);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    Document& doc = *m_doc;
    m_actions.newDocument = make(
        tr("&New"), [this] { m_app->newDocument(); }, QKeySequence::New);
    m_actions.open = make(
        tr("&Open…"), [this] { m_app->openWithDialog(this); }, QKeySequence::Open);
    m_actions.save = make(
        tr("&Save"), [this] { save(); }, QKeySequence::Save);
    m_actions.saveAs = make(
        tr("Save &As…"), [this] { saveAs(); }, QKeySequence::SaveAs);
    m_actions.revert = make(tr("&Revert to Saved"), [this] { revertToSaved(); });
    m_actions.close = make(
        tr("&Close"), [this] { close(); }, QKeySequence::Close);
    m_actions.quit = make(
        tr("&Quit"), [this] { m_app->closeAll(); }, QKeySequence::Quit);
    m_actions.quit->setMenuRole(QAction::QuitRole);
    m_actions.import = make(tr("&Import…"), [this] { importIntoDocument(this, *m_doc); });
    m_actions.exportRecords = make(tr("&Export…"), [this] {
        exportDocument(this, *m_doc,
                       m_path.isEmpty() ? m_app->untitledName(this) : QFileInfo(m_path).fileName());
    });

    m_actions.undo = make(
        tr("&Undo"), [this] { m_doc->undoManager().undo(); }, QKeySequence::Undo);
    m_actions.redo = make(
        tr("&Redo"), [this] { m_doc->undoManager().redo(); }, QKeySequence::Redo);
    m_actions.find = make(
        tr("&Find"),
        [this] {
            m_doc->switchMainTabToDatabase();
            m_database->searchField()->setFocus();
            m_database->searchField()->selectAll();
        },
        QKeySequence::Find);

    m_actions.addField = make(tr("Add &Field"), [&doc] { doc.addField(); });
    m_actions.deleteField = make(tr("&Delete Field…"), [this] { deleteSelectedField(); });
    m_actions.addRecord = make(tr("Add &Record"), [this] { addRecord(); });
    m_actions.deleteRecord = make(tr("D&elete Record"), [&doc] { doc.deleteSelectedRecord(); });
    m_actions.checkAll = make(tr("&Check All"), [&doc] { doc.checkAllRecords(); });
    m_actions.uncheckAll = make(tr("&Uncheck All"), [&doc] { doc.uncheckAllRecords(); });
    m_actions.invertChecks = make(tr("&Invert Checks"), [&doc] { doc.invertCheckRecords(); });
    m_actions.deleteChecked = make(tr("Delete C&hecked…"), [this] { deleteCheckedRecords(); });
    m_actions.renumber = make(tr("Re&number"), [&doc] { doc.renumberRecords(); });

    m_actions.addPrototype = make(tr("&Add Prototype"), [this] {
        PrototypeCommands::addOnShownSide(*m_doc);
        m_prototypes->showSecTab();
    });
    m_actions.removePrototype =
        make(tr("&Remove Prototype"), [&doc] { PrototypeCommands::removeOnShownSide(doc); });

    const std::array<QString, 5> tabTitles = {tr("&Database"), tr("&Files and Folders"),
                                              tr("&Merge"), tr("&Preview"), tr("&Run")};
    for (size_t i = 0; i < kMainTabIds.size(); ++i) {
        m_actions.mainTabs[i] = make(
            tabTitles[i], [this, i] { m_doc->setMainTabId(kMainTabIds[i]); },
            QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + int(i))));
        m_actions.mainTabs[i]->setCheckable(true);
    }
    m_actions.prototypeSides[0] =
        make(tr("&All in One"), [&doc] { doc.switchSecTabToFilePrototypeOne(); });
    m_actions.prototypeSides[1] =
        make(tr("&One per Record"), [&doc] { doc.switchSecTabToFilePrototypeMulti(); });
    for (QAction* side : m_actions.prototypeSides)
        side->setCheckable(true);
}

void DocumentWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_actions.newDocument);
    file->addAction(m_actions.open);
    QMenu* recent = file->addMenu(tr("Open &Recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] {
        recent->clear();
        for (const QString& path : m_app->recentDocuments())
            recent->addAction(QFileInfo(path).fileName(), this,
                              [this, path] { m_app->openDocument(path, this); });
        recent->setEnabled(!recent->isEmpty());
    });
    file->addSeparator();
    file->addAction(m_actions.save);
    file->addAction(m_actions.saveAs);
    file->addAction(m_actions.revert);
    file->addSeparator();
    file->addAction(m_actions.import);
    file->addAction(m_actions.exportRecords);
    file->addSeparator();
    file->addAction(m_actions.close);
    file->addAction(m_actions.quit);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(m_actions.undo);
    edit->addAction(m_actions.redo);
    edit->addSeparator();
    edit->addAction(tr("Cu&t"), QKeySequence::Cut, [] { forwardToFocus("cut"); });
    edit->addAction(tr("&Copy"), QKeySequence::Copy, [] { forwardToFocus("copy"); });
    edit->addAction(tr("&Paste"), QKeySequence::Paste, [] { forwardToFocus("paste"); });
    edit->addAction(tr("Select &All"), QKeySequence::SelectAll,
                    [] { forwardToFocus("selectAll"); });
    edit->addSeparator();
    edit->addAction(m_actions.find);
    connect(edit, &QMenu::aboutToShow, this, &DocumentWindow::updateActions);

    QMenu* records = menuBar()->addMenu(tr("&Records"));
    for (QAction* a : {m_actions.addField, m_actions.deleteField})
        records->addAction(a);
    records->addSeparator();
    for (QAction* a :
         {m_actions.addRecord, m_actions.deleteRecord, m_actions.checkAll, m_actions.uncheckAll,
          m_actions.invertChecks, m_actions.deleteChecked, m_actions.renumber})
        records->addAction(a);
    records->addSeparator();
    records->addAction(m_actions.addPrototype);
    records->addAction(m_actions.removePrototype);
    connect(records, &QMenu::aboutToShow, this, &DocumentWindow::updateActions);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (QAction* a : m_actions.mainTabs)
        view->addAction(a);
    view->addSeparator();
    for (QAction* a : m_actions.prototypeSides)
        view->addAction(a);
    connect(view, &QMenu::aboutToShow, this, &DocumentWindow::updateActions);

    m_app->shell().addMenus(menuBar(), edit);
}

void DocumentWindow::connectDocument()
{
    Document* doc = m_doc.get();
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && size_t(index) < kMainTabIds.size())
            m_doc->setMainTabId(kMainTabIds[size_t(index)]);
    });
    connect(doc, &Document::tabChanged, this, [this] {
        showMainTab();
        updateActions();
    });
    connect(doc, &Document::edited, this, &DocumentWindow::updateActions);
    connect(m_database, &DatabaseTab::selectionChanged, this, &DocumentWindow::updateActions);
    connect(m_prototypes, &PrototypeTab::selectionChanged, this, &DocumentWindow::updateActions);
    connect(m_run, &RunTab::runningChanged, this, &DocumentWindow::updateActions);
}

void DocumentWindow::showMainTab()
{
    const QString id = m_doc->mainTabId();
    const auto it = std::find(kMainTabIds.begin(), kMainTabIds.end(), id);
    const int index = it == kMainTabIds.end() ? 0 : int(it - kMainTabIds.begin());
    if (m_tabs->currentIndex() != index)
        m_tabs->setCurrentIndex(index);
    m_prototypes->showSecTab();
    if (m_shownTab != kMainTabIds[size_t(index)]) {
        m_shownTab = kMainTabIds[size_t(index)];
        mainTabShown(m_shownTab);
    }
}

void DocumentWindow::mainTabShown(const QString& id)
{
    if (id == QLatin1String("file")) {
        m_nameFocusTimer->start();
        ExampleName::recalcMultiNameOfFile(*m_doc);
        ExampleName::recalcOneNameOfFile(*m_doc);
        m_prototypes->allInOne()->showSelection();
        m_prototypes->onePerRecord()->showSelection();
    } else {
        m_nameFocusTimer->stop();
    }
    if (id == QLatin1String("merge")) {
        GeneratedItems::rebuild(*m_doc);
        m_templateFocusTimer->start();
    } else {
        m_templateFocusTimer->stop();
    }
    if (id == QLatin1String("preview")) {
        GeneratedItems::rebuild(*m_doc);
        Preview::recalcPreviewNameOfFile(*m_doc);
        Preview::recalcContentOfFile(*m_doc);
        m_preview->showPreview();
    }
    if (id == QLatin1String("run"))
        GeneratedItems::rebuild(*m_doc);
}

void DocumentWindow::refreshFocusFlags()
{
    m_prototypes->allInOne()->refreshFocusFlag();
    m_prototypes->onePerRecord()->refreshFocusFlag();
    m_merge->refreshFocusFlags();
}

bool DocumentWindow::focusTimersRunning() const
{
    return m_nameFocusTimer->isActive() || m_templateFocusTimer->isActive();
}

void DocumentWindow::updateTitle()
{
    const QString name =
        m_path.isEmpty() ? m_app->untitledName(this) : QFileInfo(m_path).fileName();
    setWindowTitle(name + QStringLiteral("[*]"));
    setWindowFilePath(m_path);
}

void DocumentWindow::updateActions()
{
    const Document& doc = *m_doc;
    const QString main = doc.mainTabId();
    const bool onDatabase = main == kMainTabIds[0];
    for (size_t i = 0; i < kMainTabIds.size(); ++i)
        m_actions.mainTabs[i]->setChecked(main == kMainTabIds[i]);
    const bool onFile = main == kMainTabIds[1];
    m_actions.prototypeSides[0]->setChecked(onFile && doc.secTabId() == QLatin1String("one"));
    m_actions.prototypeSides[1]->setChecked(onFile && doc.secTabId() == QLatin1String("multi"));

    m_actions.deleteField->setEnabled(onDatabase && doc.canDeleteSelectedKey());
    m_actions.deleteRecord->setEnabled(onDatabase && doc.indexOfRecord(doc.selectedRecord()) >= 0);
    m_actions.removePrototype->setEnabled(PrototypeCommands::canRemoveOnShownSide(doc));

    const UndoManager& undo = m_doc->undoManager();
    m_actions.undo->setEnabled(undo.canUndo());
    m_actions.undo->setText(undo.canUndo() ? tr("&Undo %1").arg(undo.undoActionName())
                                           : tr("&Undo"));
    m_actions.redo->setEnabled(undo.canRedo());
    m_actions.redo->setText(undo.canRedo() ? tr("&Redo %1").arg(undo.redoActionName())
                                           : tr("&Redo"));
    m_actions.revert->setEnabled(!m_path.isEmpty() && doc.isDocumentEdited());
    setWindowModified(doc.isDocumentEdited());

    // A run works on the document as it was when it started: nothing edits it meanwhile.
    const bool idle = !m_run->isRunning();
    for (QAction* a : {m_actions.addField, m_actions.addRecord, m_actions.checkAll,
                       m_actions.uncheckAll, m_actions.invertChecks, m_actions.deleteChecked,
                       m_actions.renumber, m_actions.addPrototype, m_actions.import})
        a->setEnabled(idle);
    if (!idle)
        for (QAction* a : {m_actions.deleteField, m_actions.deleteRecord, m_actions.removePrototype,
                           m_actions.undo, m_actions.redo, m_actions.revert})
            a->setEnabled(false);
}

void DocumentWindow::addRecord()
{
    m_doc->addRecord();
    const Record added = m_doc->selectedRecord();
    m_database->selectRecord(m_database->recordModel()->rowOf(added));
}

void DocumentWindow::deleteSelectedField()
{
    const std::optional<Alert> alert = m_doc->deleteSelectedKey();
    // The second button, "Delete", confirms.
    if (alert && showAlert(this, *alert) == 1)
        m_doc->deleteSelectedKeyConfirmed();
}

void DocumentWindow::deleteCheckedRecords()
{
    // The first button, "OK", confirms.
    if (showAlert(this, m_doc->confirmDeleteChecked()) == 0)
        m_doc->deleteCheckedRecords();
}

bool DocumentWindow::save()
{
    return saveAs(m_path.isEmpty() ? QString() : m_path);
}

bool DocumentWindow::saveAs(const QString& path)
{
    QString target = path;
    if (target.isEmpty()) {
        const QString suggested =
            m_path.isEmpty() ? m_app->untitledName(this) + ".quillory" : m_path;
        target =
            QFileDialog::getSaveFileName(this, tr("Save Document"), suggested, kDocumentFilter);
        if (target.isEmpty())
            return false;
        if (!target.endsWith(QLatin1String(".quillory")))
            target += QLatin1String(".quillory");
    }
    const Result<> written = DocumentCodec::writeToFile(*m_doc, target);
    if (!written) {
        // The window keeps everything; the old file, if any, is as it was.
        QMessageBox box(
            QMessageBox::Warning, QString(),
            tr("The document “%1” could not be saved.").arg(QFileInfo(target).fileName()),
            QMessageBox::Ok, this);
        box.setInformativeText(written.message());
        box.setWindowModality(Qt::WindowModal);
        box.exec();
        return false;
    }
    m_path = target;
    m_doc->markSaved();
    m_app->recovery().remove(m_recoveryId);
    m_recoveredChangeCount = -1;
    m_app->noteRecent(m_path);
    updateTitle();
    updateActions();
    return true;
}

bool DocumentWindow::revertToSaved()
{
    if (m_path.isEmpty())
        return false;
    Result<DocumentContents> contents = DocumentCodec::contentsOfFile(m_path);
    if (!contents) {
        QMessageBox::warning(this, QString(),
                             tr("The document “%1” could not be read again: %2")
                                 .arg(QFileInfo(m_path).fileName(), contents.message()));
        return false;
    }
    // The contents move into the open document, so that its views and models stay.
    m_doc->undoManager().removeAllActions();
    m_doc->setContents(std::move(contents.value()));
    m_doc->prepareOpened();
    GeneratedItems::rebuild(*m_doc);
    m_doc->markSaved();
    m_app->recovery().remove(m_recoveryId);
    m_recoveredChangeCount = -1;
    updateActions();
    return true;
}

void DocumentWindow::writeRecoveryCopy()
{
    if (!m_doc->isDocumentEdited() || m_doc->changeCount() == m_recoveredChangeCount)
        return;
    if (m_app->recovery().save(*m_doc, m_recoveryId, m_path))
        m_recoveredChangeCount = m_doc->changeCount();
}

void DocumentWindow::setRecoveryInterval(int milliseconds)
{
    m_recoveryTimer->setInterval(milliseconds);
}

bool DocumentWindow::mayDiscardChanges()
{
    if (!m_doc->isDocumentEdited())
        return true;
    const QString name =
        m_path.isEmpty() ? m_app->untitledName(this) : QFileInfo(m_path).fileName();
    QMessageBox box(QMessageBox::Warning, QString(),
                    tr("Do you want to save the changes made to the document “%1”?").arg(name),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setInformativeText(tr("Your changes will be lost if you don't save them."));
    box.setDefaultButton(QMessageBox::Save);
    box.setWindowModality(Qt::WindowModal);
    switch (box.exec()) {
    case QMessageBox::Save:
        return save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
    if (!mayDiscardChanges()) {
        event->ignore();
        return;
    }
    m_recoveryTimer->stop();
    m_nameFocusTimer->stop();
    m_templateFocusTimer->stop();
    m_app->recovery().remove(m_recoveryId);
    event->accept();
}

} // namespace quillory
