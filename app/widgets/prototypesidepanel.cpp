#include "app/widgets/prototypesidepanel.h"

#include "app/document/windowstate.h"
#include "app/models/prototypelistmodel.h"
#include "app/models/recordtablemodel.h"
#include "app/widgets/listtable.h"
#include "app/widgets/tagmarker.h"
#include "app/widgets/tagmenu.h"
#include "commands/prototypecommands.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "prototypes/examplename.h"
#include "prototypes/taginsertion.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillory {

namespace {

QToolButton* textButton(const QString& text, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    return button;
}

} // namespace

PrototypeSidePanel::PrototypeSidePanel(UndoStack* stack, WindowState* state, PrototypeSide side,
                                       QWidget* parent)
    : QWidget(parent), m_stack(stack), m_doc(&stack->document()), m_state(state), m_side(side)
{
    const bool perRecord = side == PrototypeSide::OnePerRecord;
    m_model = new PrototypeListModel(stack, side, this);
    m_table = makeListTable(m_model, this);
    for (int column : {PrototypeListModel::KindColumn, PrototypeListModel::FolderColumn})
        m_table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    m_add = textButton(tr("Add"), this);
    m_remove = textButton(tr("Remove"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();

    m_name = new QLineEdit(this);
    new TagMarker(m_name, *m_doc, perRecord);
    m_tags = new QToolButton(this);
    m_tags->setText(tr("Insert Tag"));
    m_tags->setPopupMode(QToolButton::InstantPopup);
    m_tags->setMenu(new QMenu(m_tags));
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_tags);

    m_example = new QLabel(this);
    m_example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_fullPath = new QCheckBox(tr("Show full path"), this);
    auto* exampleRow = new QHBoxLayout;
    exampleRow->addWidget(m_example, 1);
    exampleRow->addWidget(m_fullPath);

    auto* form = new QFormLayout;
    auto* nameLabel = new QLabel(tr("&Name:"), this);
    nameLabel->setBuddy(m_name);
    form->addRow(nameLabel, nameRow);
    form->addRow(tr("Example:"), exampleRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    layout->addLayout(form);
    if (perRecord) {
        m_recordModel =
            new RecordTableModel(m_doc, state, RecordTableModel::Kind::AllRecords, nullptr, this);
        m_records = makeListTable(m_recordModel, this);
        m_records->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        m_records->setSortingEnabled(true);
        layout->addWidget(new QLabel(tr("Example record:"), this));
        layout->addWidget(m_records, 1);
        connect(m_records->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) {
                    if (!current.isValid())
                        return;
                    m_state->setAllRecordsSelectedRecord(m_recordModel->recordAt(current.row()));
                    showExample();
                });
        connect(m_recordModel, &QAbstractItemModel::modelReset, this,
                &PrototypeSidePanel::showExampleRecord);
    }

    connect(m_add, &QToolButton::clicked, this,
            [this] { m_state->selectPrototype(m_side, commands::addPrototype(*m_stack, m_side)); });
    connect(m_remove, &QToolButton::clicked, this,
            [this] { commands::removePrototype(*m_stack, m_state->selectedPrototype(m_side)); });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // A reset drops the view's row; the selection stays until another is chosen.
                if (current.isValid())
                    m_state->selectPrototype(m_side, m_model->prototypeAt(current.row()));
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, &PrototypeSidePanel::showSelection);
    connect(state, &WindowState::prototypeSelectionChanged, this, [this](PrototypeSide changed) {
        if (changed == m_side)
            showSelection();
    });
    // Undo and redo change the name and anything an example reads.
    connect(m_doc, &Document::edited, this, [this] {
        if (isVisible())
            showSelection();
    });
    connect(state, &WindowState::countersRestyled, this, &PrototypeSidePanel::showExample);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        commands::setPrototypePath(*m_stack, m_state->selectedPrototype(m_side), text);
        showExample();
    });
    // What was typed in the field is one step until the field is left.
    connect(m_name, &QLineEdit::editingFinished, this, [this] { m_stack->closeTyping(); });
    connect(m_fullPath, &QCheckBox::toggled, this, [this, perRecord](bool on) {
        m_state->setFullPath(perRecord ? WindowState::ShownPath::OnePerRecordExample
                                       : WindowState::ShownPath::AllInOneExample,
                             on);
        showExample();
    });
    connect(m_tags->menu(), &QMenu::triggered, this,
            [this](QAction* action) { insertTag(tagOfItem(action)); });
    if (perRecord) {
        connect(m_doc, &Document::keysReset, this, &PrototypeSidePanel::rebuildTagMenu);
        connect(m_doc, &Document::keyInserted, this, &PrototypeSidePanel::rebuildTagMenu);
        connect(m_doc, &Document::keyRemoved, this, &PrototypeSidePanel::rebuildTagMenu);
        connect(m_doc, &Document::keyRenamed, this, &PrototypeSidePanel::rebuildTagMenu);
    }
    rebuildTagMenu();
    showSelection();
}

void PrototypeSidePanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Examples are made when shown: the preview tab may have chosen another record meanwhile.
    if (m_records)
        showExampleRecord();
    showSelection();
}

void PrototypeSidePanel::rebuildTagMenu()
{
    // An All in One name understands only the date and time tags; a One per Record name also
    // takes the counter and the field tags.
    fillTagMenu(m_tags->menu(), *m_doc, m_side == PrototypeSide::OnePerRecord);
}

void PrototypeSidePanel::insertTag(const QString& tag)
{
    const PrototypePtr proto = m_state->selectedPrototype(m_side);
    if (!proto)
        return;
    EditorState editor{m_name->text(), m_name->cursorPosition(), 0};
    if (m_name->hasSelectedText()) {
        editor.selectionStart = m_name->selectionStart();
        editor.selectionLength = m_name->selectionLength();
    }
    const EditorState result = TagInsertion::replaceSelection(editor, tag);
    commands::setPrototypePath(*m_stack, proto, result.text);
    m_name->setText(result.text);
    m_name->setCursorPosition(int(result.selectionStart));
    m_name->setFocus();
    showExample();
}

void PrototypeSidePanel::showSelection()
{
    const PrototypePtr proto = m_state->selectedPrototype(m_side);
    const int row = m_model->rowOf(proto);
    if (row >= 0 && m_table->currentIndex().row() != row)
        m_table->setCurrentIndex(m_model->index(row, PrototypeListModel::PathColumn));
    else if (row < 0 && m_table->currentIndex().isValid())
        m_table->selectionModel()->clear();
    m_name->setEnabled(row >= 0);
    refreshFocusFlag();
    m_remove->setEnabled(row >= 0);
    const QString path = row >= 0 ? proto->path : QString();
    if (m_name->text() != path)
        m_name->setText(path);
    showExample();
    emit selectionChanged();
}

void PrototypeSidePanel::showExampleRecord()
{
    const int row = m_recordModel->rowOf(m_state->allRecordsSelectedRecord());
    if (row >= 0 && m_records->currentIndex().row() != row)
        m_records->setCurrentIndex(m_recordModel->index(row, 0));
}

void PrototypeSidePanel::refreshFocusFlag()
{
    const bool editing =
        m_state->selectedPrototype(m_side) && (m_name->hasFocus() || m_tags->menu()->isVisible());
    m_tags->setEnabled(editing);
}

void PrototypeSidePanel::showExample()
{
    const PrototypePtr proto = m_state->selectedPrototype(m_side);
    Record record = m_state->allRecordsSelectedRecord();
    // With no record chosen the example is made with the first one listed, not with none.
    if (m_recordModel && m_recordModel->rowOf(record) < 0 && m_recordModel->rowCount() > 0)
        record = m_recordModel->recordAt(0);
    const std::optional<QString> example =
        m_side == PrototypeSide::OnePerRecord
            ? ExampleName::onePerRecord(
                  *m_doc, proto, record,
                  m_state->fullPath(WindowState::ShownPath::OnePerRecordExample))
            : ExampleName::allInOne(*m_doc, proto,
                                    m_state->fullPath(WindowState::ShownPath::AllInOneExample));
    m_example->setText(example.value_or(QString()));
}

} // namespace quillory
