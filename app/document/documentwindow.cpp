#include "app/document/documentwindow.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/dialogfolder.h"
#include "app/dialogs/exportflow.h"
#include "app/dialogs/importflow.h"
#include "app/document/recoverystore.h"
#include "app/document/windowlayout.h"
#include "app/document/windowstate.h"
#include "app/models/recordtablemodel.h"
#include "app/shell/application.h"
#include "app/shell/shell.h"
#include "app/widgets/databasetab.h"
#include "app/widgets/mergetab.h"
#include "app/widgets/previewtab.h"
#include "app/widgets/prototypesidepanel.h"
#include "app/widgets/prototypetab.h"
#include "app/widgets/runtab.h"
#include "app/widgets/templateeditor.h"
#include "app/widgets/undokeyforwarder.h"
#include "archive/documentcodec.h"
#include "commands/fieldcommands.h"
#include "commands/prototypecommands.h"
#include "commands/recordcommands.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "core/tabids.h"
#include "merge/counterformatchange.h"
#include "shell/releaseinfo.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <array>

namespace quillory {

namespace {

const QString kDocumentFilter = QStringLiteral("Quillory documents (*.quillory)");
// What the document memory keeps the window's sizes under.
const QString kLayoutTopic = QStringLiteral("window");

// Forwards an edit command to the focused text field, which has a slot of that name.
void forwardToFocus(const char* slot)
{
    if (QWidget* focus = QApplication::focusWidget())
        QMetaObject::invokeMethod(focus, slot);
}

int mainTabIndex(const QString& id)
{
    const auto& tabs = TabIds::kMainTabs;
    const auto it = std::find(tabs.begin(), tabs.end(), id);
    return it == tabs.end() ? 0 : int(it - tabs.begin());
}

// Asked before Revert to Saved; Cancel is the default, so that Return loses nothing.
Alert revertAlert()
{
    return {DocumentWindow::tr("Revert to the saved version? Your changes will be lost."),
            QString(),
            {DocumentWindow::tr("Revert"), DocumentWindow::tr("Cancel")},
            false,
            {Alert::Revert, Alert::Cancel}};
}

QString countOf(qint64 n, const QString& one, const QString& many)
{
    return n == 1 ? one : many.arg(n);
}

// "40 records"; while a search is on, "12 of 40 shown"; while any record is checked, the
// checked count after either.
QString recordCountText(qint64 stored, std::optional<qint64> listed, qint64 checked)
{
    QString text =
        listed ? DocumentWindow::tr("%1 of %2 shown").arg(*listed).arg(stored)
               : countOf(stored, DocumentWindow::tr("1 record"), DocumentWindow::tr("%1 records"));
    if (checked > 0)
        text += DocumentWindow::tr(" · %1 checked").arg(checked);
    return text;
}

QString importText(const ImportOutcome& imported)
{
    const QString what =
        imported.recordsAdded > 0 || imported.fieldsAdded == 0
            ? countOf(qint64(imported.recordsAdded), DocumentWindow::tr("1 record"),
                      DocumentWindow::tr("%1 records"))
            : countOf(qint64(imported.fieldsAdded), DocumentWindow::tr("1 field"),
                      DocumentWindow::tr("%1 fields"));
    return DocumentWindow::tr("Imported %1 from %2").arg(what, imported.fileName);
}

QString exportText(const ExportOutcome& exported)
{
    return DocumentWindow::tr("Exported %1 to %2")
        .arg(countOf(exported.records, DocumentWindow::tr("1 record"),
                     DocumentWindow::tr("%1 records")),
             exported.path);
}

QString runText(const RunTotals& totals, bool cancelled)
{
    QString text = (cancelled ? DocumentWindow::tr("Run cancelled: %1 created, %2 skipped")
                              : DocumentWindow::tr("Run: %1 created, %2 skipped"))
                       .arg(countOf(totals.filesCreated, DocumentWindow::tr("1 file"),
                                    DocumentWindow::tr("%1 files")))
                       .arg(totals.filesSkipped);
    if (totals.errors > 0)
        text += DocumentWindow::tr(", %1 failed").arg(totals.errors);
    return text;
}

// The full-path switch of the tab the window shows; none on the database tab.
QCheckBox* fullPathSwitch(const DocumentWindow& window)
{
    const QString& tab = window.state().mainTabId();
    if (tab == TabIds::kFiles)
        return (window.state().shownSide() == PrototypeSide::AllInOne
                    ? window.prototypeTab()->allInOne()
                    : window.prototypeTab()->onePerRecord())
            ->fullPathSwitch();
    if (tab == TabIds::kMerge)
        return window.mergeTab()->fullPathSwitch();
    if (tab == TabIds::kPreview)
        return window.previewTab()->fullPathSwitch();
    if (tab == TabIds::kRun)
        return window.runTab()->fullPathSwitch();
    return nullptr;
}

// The local files a drag carries.
QStringList draggedFiles(const QMimeData* mime)
{
    QStringList files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

bool isDocumentFile(const QString& path)
{
    return QFileInfo(path).suffix() == QLatin1String("quillory");
}

// The kinds of file Import… offers: delimited text and workbooks.
bool isImportFile(const QString& path)
{
    static const QStringList kinds = {QStringLiteral("txt"),  QStringLiteral("text"),
                                      QStringLiteral("csv"),  QStringLiteral("tsv"),
                                      QStringLiteral("xlsx"), QStringLiteral("ods")};
    return kinds.contains(QFileInfo(path).suffix().toLower());
}

// Long enough to be read after the dialog closes; the count stays.
constexpr int kActionResultMs = 15000;

} // namespace

DocumentWindow::DocumentWindow(Application* app, std::unique_ptr<Document> doc, QString path,
                               QString recoveryId)
    : m_app(app), m_doc(std::move(doc)), m_state(std::make_unique<WindowState>(*m_doc)),
      m_stack(std::make_unique<UndoStack>(*m_doc)), m_path(std::move(path)),
      m_recoveryId(recoveryId.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces)
                                        : recoveryId),
      m_fromRecoveryCopy(!recoveryId.isEmpty())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    // The copy the window was reopened from holds its changes already.
    if (m_fromRecoveryCopy)
        m_recoveredChangeCount = m_doc->changeCount();

    createActions();
    m_tabs = new QTabWidget(this);
    m_database = new DatabaseTab(m_stack.get(), m_state.get(), m_actions, m_tabs);
    m_prototypes = new PrototypeTab(m_stack.get(), m_state.get(), m_tabs);
    m_merge = new MergeTab(m_stack.get(), m_state.get(), m_tabs);
    m_preview = new PreviewTab(m_doc.get(), m_state.get(), m_tabs);
    m_run = new RunTab(m_stack.get(), m_state.get(), m_tabs);
    m_tabs->addTab(m_database, tr("Database"));
    m_tabs->addTab(m_prototypes, tr("Files and Folders"));
    m_tabs->addTab(m_merge, tr("Merge"));
    m_tabs->addTab(m_preview, tr("Preview"));
    m_tabs->addTab(m_run, tr("Run"));
    setCentralWidget(m_tabs);
    createMenus();
    m_missingDestination = new QLabel(this);
    m_missingDestination->setObjectName(QStringLiteral("missingDestination"));
    statusBar()->addWidget(m_missingDestination, 1);
    m_recordCount = new QLabel(this);
    m_recordCount->setObjectName(QStringLiteral("recordCount"));
    statusBar()->addPermanentWidget(m_recordCount);
    statusBar()->setSizeGripEnabled(false);

    // What is typed in the Prototype names and templates is already an undo step each.
    m_undoKeys = new UndoKeyForwarder(m_actions.undo, m_actions.redo, this);
    for (PrototypeSidePanel* side : {m_prototypes->allInOne(), m_prototypes->onePerRecord()})
        m_undoKeys->watch(side->nameField());
    m_undoKeys->watch(m_merge->perRecordText()->editor());
    for (TemplateEditor* editor : m_merge->allInOneEditors())
        m_undoKeys->watch(editor->editor());

    m_nameFocusTimer = new QTimer(this);
    m_templateFocusTimer = new QTimer(this);
    for (QTimer* timer : {m_nameFocusTimer, m_templateFocusTimer}) {
        timer->setInterval(300);
        connect(timer, &QTimer::timeout, this, &DocumentWindow::refreshFocusFlags);
    }
    connect(qApp, &QApplication::focusChanged, this, &DocumentWindow::refreshFocusFlags);
    showMainTab();
    connectViews();

    m_defaultsObserver = m_doc->userDefaults().addObserver([this](const QString& key) {
        if (CounterFormatChange::concerns(key))
            m_state->restyleCounters();
    });

    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setInterval(5000);
    connect(m_recoveryTimer, &QTimer::timeout, this, &DocumentWindow::writeRecoveryCopy);
    m_recoveryTimer->start();

    resize(1000, 680);
    QStringList tabIds;
    for (const QString& id : TabIds::kMainTabs)
        tabIds << id;
    m_layout = new WindowLayout(this, m_tabs, tabIds,
                                m_app->documentMemory().recall(m_path, kLayoutTopic));
    showMissingDestination();
    showRecordCount();
    updateTitle();
    updateActions();
}

DocumentWindow::~DocumentWindow()
{
    disconnect(qApp, nullptr, this, nullptr);
    // The views talk to the document and the window's state while they are torn down: they
    // go while both are alive.
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
    m_actions.newDocument = make(
        tr("&New"), [this] { m_app->newDocument(); }, QKeySequence::New);
    m_actions.open = make(
        tr("&Open…"), [this] { m_app->openWithDialog(this); }, QKeySequence::Open);
    m_actions.save = make(
        tr("&Save"), [this] { save(); }, QKeySequence::Save);
    m_actions.saveAs = make(tr("Save &As…"), [this] { saveAs(); });
    // Ctrl+Shift+S everywhere: the platform's scheme may have no key for Save As.
    QList<QKeySequence> saveAsKeys = QKeySequence::keyBindings(QKeySequence::SaveAs);
    const QKeySequence shiftS(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    if (!saveAsKeys.contains(shiftS))
        saveAsKeys.prepend(shiftS);
    m_actions.saveAs->setShortcuts(saveAsKeys);
    m_actions.revert = make(tr("Re&vert to Saved"), [this] { revertToSaved(); });
    m_actions.close = make(
        tr("&Close"), [this] { close(); }, QKeySequence::Close);
    m_actions.quit = make(
        tr("&Quit"), [this] { m_app->closeAll(); }, QKeySequence::Quit);
    m_actions.quit->setMenuRole(QAction::QuitRole);
    m_actions.import = make(tr("&Import…"), [this] { importRecords(); });
    m_actions.exportRecords = make(tr("&Export…"), [this] {
        finishEditing();
        // The records being exported are in view while the user picks the fields.
        m_state->showMainTab(TabIds::kDatabase);
        const std::optional<ExportOutcome> exported = exportDocument(
            this, *m_doc,
            m_path.isEmpty() ? m_app->untitledName(this) : QFileInfo(m_path).fileName(),
            &m_app->documentMemory(), m_path);
        if (exported)
            showActionResult(exportText(*exported));
    });
    m_actions.run = make(
        tr("&Run"), [this] { m_run->run(); }, QKeySequence(Qt::CTRL | Qt::Key_R));
    m_actions.cancelRun = make(tr("&Cancel Run"), [this] { m_run->cancel(); });
    // What these change is in view: the destination and the log are on the Run tab.
    m_actions.chooseDestination = make(tr("Choose &Destination…"), [this] {
        m_state->showMainTab(TabIds::kRun);
        m_run->chooseDestination();
    });
    m_actions.showDestination =
        make(tr("Show in File &Manager"), [this] { m_run->showDestinationInFileManager(); });
    m_actions.clearLog = make(tr("C&lear Log"), [this] {
        m_state->showMainTab(TabIds::kRun);
        m_run->clearLog();
    });

    m_actions.undo = make(
        tr("&Undo"), [this] { m_stack->undo(); }, QKeySequence::Undo);
    m_actions.redo = make(tr("&Redo"), [this] { m_stack->redo(); });
    // Ctrl+Shift+Z everywhere, beside what the platform's scheme adds (Ctrl+Y).
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence shiftZ(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    if (!redoKeys.contains(shiftZ))
        redoKeys.prepend(shiftZ);
    m_actions.redo->setShortcuts(redoKeys);
    m_actions.find = make(
        tr("&Find"),
        [this] {
            m_state->showMainTab(TabIds::kDatabase);
            m_database->searchField()->setFocus();
            m_database->searchField()->selectAll();
        },
        QKeySequence::Find);

    m_actions.addField = make(tr("Add &Field"), [this] { addField(); });
    m_actions.deleteField = make(tr("&Delete Field…"), [this] { deleteSelectedField(); });
    m_actions.addRecord = make(tr("Add &Record"), [this] { addRecord(); });
    m_actions.deleteRecord = make(
        tr("D&elete Record"), [this] { deleteSelectedRecord(); }, QKeySequence::Delete);
    // Delete is a text key everywhere else: the record table alone passes it to the command.
    m_actions.deleteRecord->setShortcutContext(Qt::WidgetShortcut);
    const auto changeChecks = [this](commands::CheckChange change) {
        return [this, change] {
            commands::changeChecks(*m_stack, m_state->databaseArrangement(), change);
        };
    };
    m_actions.checkAll = make(tr("&Check All"), changeChecks(commands::CheckChange::CheckAll));
    m_actions.uncheckAll =
        make(tr("&Uncheck All"), changeChecks(commands::CheckChange::UncheckAll));
    m_actions.invertChecks =
        make(tr("&Invert Checks"), changeChecks(commands::CheckChange::Invert));
    m_actions.deleteChecked = make(tr("Delete C&hecked…"), [this] { deleteCheckedRecords(); });
    m_actions.renumber = make(
        tr("Re&number"), [this] { commands::renumber(*m_stack, m_state->databaseArrangement()); });
    m_actions.sortRecords = make(tr("&Sort Records"), [this] { sortRecords(); });

    m_actions.addPrototype = make(tr("&Add Prototype"), [this] { addPrototype(); });
    m_actions.removePrototype = make(tr("Re&move Prototype"), [this] { removePrototype(); });

    const std::array<QString, 5> tabTitles = {tr("&Database"), tr("&Files and Folders"),
                                              tr("&Merge"), tr("&Preview"), tr("&Run")};
    for (size_t i = 0; i < TabIds::kMainTabs.size(); ++i) {
        m_actions.mainTabs[i] = make(
            tabTitles[i], [this, i] { m_state->showMainTab(TabIds::kMainTabs[i]); },
            QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + int(i))));
        m_actions.mainTabs[i]->setCheckable(true);
    }
    const std::array<PrototypeSide, 2> sides = {PrototypeSide::AllInOne,
                                                PrototypeSide::OnePerRecord};
    const std::array<QString, 2> sideTitles = {tr("All &in One"), tr("&One per Record")};
    for (size_t i = 0; i < sides.size(); ++i) {
        m_actions.prototypeSides[i] = make(sideTitles[i], [this, side = sides[i]] {
            m_state->showMainTab(TabIds::kFiles);
            m_state->showSide(side);
        });
        m_actions.prototypeSides[i]->setCheckable(true);
    }
    m_actions.fullPath = make(tr("&Show Full Path"), [this] {
        if (QCheckBox* shown = fullPathSwitch(*this))
            shown->setChecked(m_actions.fullPath->isChecked());
    });
    m_actions.fullPath->setCheckable(true);
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
            // A "&" in a file's name is no mnemonic.
            recent->addAction(QFileInfo(path).fileName().replace(u'&', QStringLiteral("&&")), this,
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

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (QAction* a : m_actions.mainTabs)
        view->addAction(a);
    view->addSeparator();
    view->addAction(m_actions.fullPath);

    QMenu* records = menuBar()->addMenu(tr("&Records"));
    for (QAction* a : {m_actions.addField, m_actions.deleteField})
        records->addAction(a);
    records->addSeparator();
    for (QAction* a : {m_actions.addRecord, m_actions.deleteRecord, m_actions.checkAll,
                       m_actions.uncheckAll, m_actions.invertChecks, m_actions.deleteChecked,
                       m_actions.renumber, m_actions.sortRecords})
        records->addAction(a);

    // Add Prototype adds to the side shown: the sides are chosen here too.
    QMenu* prototypes = menuBar()->addMenu(tr("&Prototypes"));
    prototypes->addAction(m_actions.addPrototype);
    prototypes->addAction(m_actions.removePrototype);
    prototypes->addSeparator();
    for (QAction* a : m_actions.prototypeSides)
        prototypes->addAction(a);

    QMenu* run = menuBar()->addMenu(tr("R&un"));
    run->addAction(m_actions.run);
    run->addAction(m_actions.cancelRun);
    run->addSeparator();
    run->addAction(m_actions.chooseDestination);
    run->addAction(m_actions.showDestination);
    run->addSeparator();
    run->addAction(m_actions.clearLog);

    for (QMenu* menu : {view, records, prototypes, run})
        connect(menu, &QMenu::aboutToShow, this, &DocumentWindow::updateActions);

    m_app->shell().addMenus(menuBar(), edit);
}

void DocumentWindow::connectViews()
{
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && size_t(index) < TabIds::kMainTabs.size())
            m_state->showMainTab(TabIds::kMainTabs[size_t(index)]);
    });
    connect(m_state.get(), &WindowState::mainTabChanged, this, [this] {
        finishEditing();
        showMainTab();
        showMissingDestination();
        updateActions();
    });
    connect(m_state.get(), &WindowState::sideChanged, this, &DocumentWindow::updateActions);
    connect(m_state.get(), &WindowState::databaseArrangementChanged, this,
            &DocumentWindow::updateActions);
    connect(m_stack.get(), &UndoStack::changed, this, &DocumentWindow::updateActions);
    connect(m_doc.get(), &Document::edited, this, &DocumentWindow::updateActions);
    connect(m_database, &DatabaseTab::selectionChanged, this, &DocumentWindow::updateActions);
    connect(m_prototypes, &PrototypeTab::selectionChanged, this, &DocumentWindow::updateActions);
    connect(m_run, &RunTab::runningChanged, this, &DocumentWindow::updateActions);
    connect(m_run, &RunTab::commandsChanged, this, &DocumentWindow::updateActions);
    for (QCheckBox* fullPath :
         {m_prototypes->allInOne()->fullPathSwitch(),
          m_prototypes->onePerRecord()->fullPathSwitch(), m_merge->fullPathSwitch(),
          m_preview->fullPathSwitch(), m_run->fullPathSwitch()})
        connect(fullPath, &QCheckBox::toggled, this, &DocumentWindow::updateActions);
    // Escape in the search field gives up the search: every record is listed again.
    new QShortcut(
        QKeySequence(Qt::Key_Escape), m_database->searchField(), this,
        [this] { m_state->setSearch(QString()); }, Qt::WidgetShortcut);
    connect(m_run, &RunTab::runRequested, this, [this] {
        finishEditing();
        showMissingDestination();
    });
    connect(m_doc.get(), &Document::destinationChanged, this,
            &DocumentWindow::showMissingDestination);
    connect(m_run, &RunTab::runEnded, this, [this](const RunTotals& totals, bool cancelled) {
        showActionResult(runText(totals, cancelled));
    });
    connect(m_run, &RunTab::runFailed, this, [this](const QString& reason) {
        showActionResult(tr("Nothing was made: %1.").arg(reason));
    });
    // The table's rows are the listed records (a search's); a check changes a record in place.
    const RecordTableModel* listed = m_database->recordModel();
    connect(listed, &QAbstractItemModel::modelReset, this, &DocumentWindow::showRecordCount);
    connect(listed, &QAbstractItemModel::rowsInserted, this, &DocumentWindow::showRecordCount);
    connect(listed, &QAbstractItemModel::rowsRemoved, this, &DocumentWindow::showRecordCount);
    connect(m_doc.get(), &Document::recordChanged, this, &DocumentWindow::showRecordCount);
    connect(m_doc.get(), &Document::recordValuesChanged, this, &DocumentWindow::showRecordCount);
}

void DocumentWindow::showMainTab()
{
    const QString& id = m_state->mainTabId();
    const int index = mainTabIndex(id);
    if (m_tabs->currentIndex() != index)
        m_tabs->setCurrentIndex(index);
    if (id == TabIds::kFiles)
        m_nameFocusTimer->start();
    else
        m_nameFocusTimer->stop();
    if (id == TabIds::kMerge)
        m_templateFocusTimer->start();
    else
        m_templateFocusTimer->stop();
}

void DocumentWindow::finishEditing()
{
    // An open cell editor keeps its text to itself until Enter or a change of focus: the
    // document gets it now. Our tables edit their current cell only, and a widget in a cell is
    // always its editor.
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        const QModelIndex index = view->currentIndex();
        QWidget* editor = view->indexWidget(index);
        QAbstractItemDelegate* delegate = view->itemDelegateForIndex(index);
        if (!editor || !delegate)
            continue;
        emit delegate->commitData(editor);
        emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    m_stack->closeTyping();
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

void DocumentWindow::showMissingDestination()
{
    const std::optional<QByteArray>& bookmark = m_doc->selectedDestinationBookmark();
    std::optional<QString> missing;
    if (m_doc->selectedDestinationDefined() && bookmark &&
        !LocationBookmark::resolve(*bookmark, nullptr))
        missing = LocationBookmark::recordedPath(*bookmark);
    m_missingDestination->setText(
        missing ? tr("The destination folder “%1” is missing.").arg(*missing) : QString());
    m_missingDestination->setVisible(missing.has_value());
}

void DocumentWindow::showRecordCount()
{
    const qint64 stored = qint64(m_doc->dataArray().size());
    const std::optional<qint64> listed =
        m_state->databaseArrangement().search.isEmpty()
            ? std::nullopt
            : std::optional<qint64>(m_database->recordModel()->rowCount());
    // Counting the checks reads every record: only while the document knows of one.
    const qint64 checked = m_doc->isCheckedRecords() ? m_doc->checkedRecordCount() : 0;
    m_recordCount->setText(recordCountText(stored, listed, checked));
}

void DocumentWindow::showActionResult(const QString& text)
{
    statusBar()->showMessage(text, kActionResultMs);
}

void DocumentWindow::updateTitle()
{
    const QString name =
        m_path.isEmpty() ? m_app->untitledName(this) : QFileInfo(m_path).fileName();
    setWindowTitle(tr("%1[*] — %2").arg(name, ReleaseInfo::appName()));
    setWindowFilePath(m_path);
}

void DocumentWindow::updateActions()
{
    const Document& doc = *m_doc;
    const QString& main = m_state->mainTabId();
    const bool onDatabase = main == TabIds::kDatabase;
    for (size_t i = 0; i < TabIds::kMainTabs.size(); ++i)
        m_actions.mainTabs[i]->setChecked(main == TabIds::kMainTabs[i]);
    const bool onFiles = main == TabIds::kFiles;
    const PrototypeSide side = m_state->shownSide();
    m_actions.prototypeSides[0]->setChecked(onFiles && side == PrototypeSide::AllInOne);
    m_actions.prototypeSides[1]->setChecked(onFiles && side == PrototypeSide::OnePerRecord);
    const QCheckBox* fullPath = fullPathSwitch(*this);
    m_actions.fullPath->setEnabled(fullPath && fullPath->isEnabled());
    m_actions.fullPath->setChecked(fullPath && fullPath->isChecked());

    const int field = m_state->selectedFieldIndex();
    m_actions.deleteField->setEnabled(onDatabase && field >= kFirstUserKeyIndex &&
                                      field < int(doc.keyArray().size()));
    m_actions.deleteRecord->setEnabled(onDatabase &&
                                       doc.indexOfRecord(m_state->selectedRecord()) >= 0);
    m_actions.removePrototype->setEnabled(
        onFiles && doc.indexOfPrototype(m_state->selectedPrototype(side)) >= 0);

    const UndoStack& stack = *m_stack;
    m_actions.undo->setEnabled(stack.canUndo());
    m_actions.undo->setText(stack.canUndo() ? tr("&Undo %1").arg(stack.undoName()) : tr("&Undo"));
    m_actions.redo->setEnabled(stack.canRedo());
    m_actions.redo->setText(stack.canRedo() ? tr("&Redo %1").arg(stack.redoName()) : tr("&Redo"));
    m_actions.revert->setEnabled(!m_path.isEmpty() && hasUnsavedChanges());
    setWindowModified(hasUnsavedChanges());

    // A run works on the document as it was when it started: nothing edits it meanwhile.
    const bool idle = !m_run->isRunning();
    for (QAction* a : {m_actions.addField, m_actions.addRecord, m_actions.checkAll,
                       m_actions.uncheckAll, m_actions.invertChecks, m_actions.deleteChecked,
                       m_actions.renumber, m_actions.addPrototype, m_actions.import, m_actions.run,
                       m_actions.chooseDestination, m_actions.clearLog})
        a->setEnabled(idle);
    m_actions.cancelRun->setEnabled(m_run->canCancel());
    m_actions.showDestination->setEnabled(m_run->canShowDestination());
    m_actions.sortRecords->setEnabled(idle && m_state->databaseArrangement().sort.has_value());
    if (!idle)
        for (QAction* a : {m_actions.deleteField, m_actions.deleteRecord, m_actions.removePrototype,
                           m_actions.undo, m_actions.redo, m_actions.revert})
            a->setEnabled(false);
}

bool DocumentWindow::hasUnsavedChanges() const
{
    return m_doc->isDocumentEdited() || m_fromRecoveryCopy;
}

void DocumentWindow::addField()
{
    // The new field is in view as it appears.
    m_state->showMainTab(TabIds::kDatabase);
    commands::addField(*m_stack);
    // A new field is named next: its name is open for typing.
    m_database->editFieldName(int(m_doc->keyArray().size()) - 1);
}

void DocumentWindow::deleteSelectedField()
{
    const int index = m_state->selectedFieldIndex();
    if (index < kFirstUserKeyIndex || index >= int(m_doc->keyArray().size()))
        return;
    const Alert alert = Alert::deleteKey(m_doc->keyArray()[size_t(index)].publicKey);
    if (showAlert(this, alert) == Alert::Delete)
        commands::deleteField(*m_stack, index);
}

void DocumentWindow::addRecord()
{
    m_state->showMainTab(TabIds::kDatabase);
    const Record added = commands::addRecord(*m_stack, m_state->databaseArrangement());
    // A search would hide the new, empty record.
    m_state->setSearch(QString());
    m_database->editNewRecord(added);
}

void DocumentWindow::deleteSelectedRecord()
{
    if (m_state->mainTabId() != TabIds::kDatabase)
        return;
    const std::vector<Record> selected = m_database->selectedRecords();
    if (selected.empty())
        return;
    if (selected.size() > 1 &&
        showAlert(this, Alert::deleteSelectedRecords(qint64(selected.size()))) != Alert::Delete)
        return;
    commands::deleteRecords(*m_stack, selected);
}

void DocumentWindow::deleteCheckedRecords()
{
    const RecordArrangement& listed = m_state->databaseArrangement();
    const qint64 count = qint64(commands::checkedRecords(*m_stack, listed).size());
    if (showAlert(this, Alert::deleteCheckedRecords(count)) == Alert::Ok)
        commands::deleteChecked(*m_stack, listed);
}

void DocumentWindow::sortRecords()
{
    const std::optional<RecordSort> sort = m_state->databaseArrangement().sort;
    if (!sort)
        return;
    commands::sortRecords(*m_stack, *sort);
    // The stored order is the sorted one now: the table shows it as it is.
    m_state->setDatabaseSort(std::nullopt);
}

void DocumentWindow::addPrototype()
{
    m_state->showMainTab(TabIds::kFiles);
    const PrototypeSide side = m_state->shownSide();
    m_state->selectPrototype(side, commands::addPrototype(*m_stack, side));
}

void DocumentWindow::removePrototype()
{
    if (m_state->mainTabId() == TabIds::kFiles)
        commands::removePrototype(*m_stack, m_state->selectedPrototype(m_state->shownSide()));
}

void DocumentWindow::importRecords()
{
    finishEditing();
    m_state->showMainTab(TabIds::kDatabase);
    // The imported records are all in view.
    if (const std::optional<ImportOutcome> imported =
            importIntoDocument(this, *m_stack, &m_app->documentMemory(), m_path)) {
        m_state->setSearch(QString());
        showActionResult(importText(*imported));
    }
}

void DocumentWindow::importFile(const QString& path)
{
    finishEditing();
    m_state->showMainTab(TabIds::kDatabase);
    if (const std::optional<ImportOutcome> imported =
            importFileIntoDocument(this, *m_stack, path, &m_app->documentMemory(), m_path)) {
        m_state->setSearch(QString());
        showActionResult(importText(*imported));
    }
}

DocumentWindow::Drop DocumentWindow::dropAt(const QMimeData* mime, QPoint pos) const
{
    const QStringList files = mime ? draggedFiles(mime) : QStringList();
    if (files.isEmpty())
        return Drop::Nothing;
    if (std::all_of(files.begin(), files.end(), isDocumentFile))
        return Drop::OpenDocuments;
    // One file at a time: an import asks how to read it. A run keeps the records as they are.
    const bool onDatabase =
        m_database->isVisible() && m_database->rect().contains(m_database->mapFrom(this, pos));
    if (files.size() == 1 && isImportFile(files.constFirst()) && onDatabase && !m_run->isRunning())
        return Drop::ImportFile;
    return Drop::Nothing;
}

void DocumentWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (dropAt(event->mimeData(), event->position().toPoint()) != Drop::Nothing)
        event->acceptProposedAction();
}

void DocumentWindow::dragMoveEvent(QDragMoveEvent* event)
{
    // A text file may be dropped on the database tab only.
    if (dropAt(event->mimeData(), event->position().toPoint()) != Drop::Nothing)
        event->acceptProposedAction();
    else
        event->ignore();
}

void DocumentWindow::dropEvent(QDropEvent* event)
{
    const Drop drop = dropAt(event->mimeData(), event->position().toPoint());
    if (drop == Drop::Nothing)
        return event->ignore();
    event->acceptProposedAction();
    const QStringList files = draggedFiles(event->mimeData());
    // The drag ends first: what the drop starts may ask questions in windows of its own.
    QTimer::singleShot(0, this, [this, drop, files] {
        if (drop == Drop::ImportFile)
            return importFile(files.constFirst());
        // Through the application, which brings forward a document already open.
        for (const QString& file : files)
            m_app->openDocument(file, this);
    });
}

void DocumentWindow::noteShownTabs()
{
    m_doc->setSavedTabs(m_state->mainTabId(), m_state->secTabId());
}

bool DocumentWindow::save()
{
    return saveAs(m_path.isEmpty() ? QString() : m_path);
}

bool DocumentWindow::saveAs(const QString& path)
{
    finishEditing();
    QString target = path;
    if (target.isEmpty()) {
        const QString suggested =
            m_path.isEmpty()
                ? QDir(dialogStartFolder(this)).filePath(m_app->untitledName(this) + ".quillory")
                : m_path;
        target =
            QFileDialog::getSaveFileName(this, tr("Save Document"), suggested, kDocumentFilter);
        if (target.isEmpty())
            return false;
        if (!target.endsWith(QLatin1String(".quillory")))
            target += QLatin1String(".quillory");
        noteDialogFolder(target);
    }
    noteShownTabs();
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
    m_fromRecoveryCopy = false;
    m_app->recovery().remove(m_recoveryId);
    m_recoveredChangeCount = -1;
    m_app->noteRecent(m_path);
    rememberLayout();
    updateTitle();
    updateActions();
    return true;
}

bool DocumentWindow::revertToSaved()
{
    if (m_path.isEmpty() || showAlert(this, revertAlert()) != Alert::Revert)
        return false;
    Result<DocumentContents> contents = DocumentCodec::contentsOfFile(m_path);
    if (!contents) {
        QMessageBox::warning(this, QString(),
                             tr("The document “%1” could not be read again: %2")
                                 .arg(QFileInfo(m_path).fileName(), contents.message()));
        return false;
    }
    // The contents move into the open document, so that its views and models stay. Reverting
    // is no step of the history: the history goes with the changes it held.
    m_stack->clear();
    m_doc->setContents(std::move(contents.value()));
    m_doc->markSaved();
    m_fromRecoveryCopy = false;
    m_state->showMainTab(m_doc->mainTabId());
    m_state->showSide(m_doc->secTabId() == TabIds::kOnePerRecord ? PrototypeSide::OnePerRecord
                                                                 : PrototypeSide::AllInOne);
    m_app->recovery().remove(m_recoveryId);
    m_recoveredChangeCount = -1;
    updateActions();
    return true;
}

void DocumentWindow::writeRecoveryCopy()
{
    if (!hasUnsavedChanges() || m_doc->changeCount() == m_recoveredChangeCount)
        return;
    noteShownTabs();
    if (m_app->recovery().save(*m_doc, m_recoveryId, m_path))
        m_recoveredChangeCount = m_doc->changeCount();
}

void DocumentWindow::setRecoveryInterval(int milliseconds)
{
    m_recoveryTimer->setInterval(milliseconds);
}

bool DocumentWindow::mayDiscardChanges()
{
    if (!hasUnsavedChanges())
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

void DocumentWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // The disk may have come back (or gone) while the person was in another window.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        showMissingDestination();
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
    finishEditing();
    if (!mayDiscardChanges()) {
        event->ignore();
        return;
    }
    m_recoveryTimer->stop();
    m_nameFocusTimer->stop();
    m_templateFocusTimer->stop();
    m_app->recovery().remove(m_recoveryId);
    rememberLayout();
    event->accept();
}

void DocumentWindow::rememberLayout()
{
    m_app->documentMemory().remember(m_path, kLayoutTopic, m_layout->values());
}

} // namespace quillory
