#include "app/widgets/databasetab.h"

#include "app/document/documentactions.h"
#include "app/document/windowstate.h"
#include "app/models/fieldkeymodel.h"
#include "app/models/recordtablemodel.h"
#include "app/widgets/celleditdelegate.h"
#include "app/widgets/listtable.h"
#include "commands/undostack.h"
#include "core/document.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace quillory {

namespace {

QWidget* buttonRow(std::initializer_list<QAction*> actions, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QAction* action : actions) {
        auto* button = new QToolButton(row);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(button);
    }
    layout->addStretch();
    return row;
}

} // namespace

DatabaseTab::DatabaseTab(UndoStack* stack, WindowState* state, const DocumentActions& actions,
                         QWidget* parent)
    : QWidget(parent), m_state(state)
{
    m_keyModel = new FieldKeyModel(stack, this);
    m_recordModel = new RecordTableModel(&stack->document(), state,
                                         RecordTableModel::Kind::Database, stack, this);

    auto* keyPane = new QWidget(this);
    auto* keyLayout = new QVBoxLayout(keyPane);
    keyLayout->setContentsMargins(0, 0, 0, 0);
    m_keyTable = makeListTable(m_keyModel, keyPane, true);
    m_keyTable->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed);
    m_keyTable->setItemDelegate(new CellEditDelegate(*stack, m_keyTable));
    keyLayout->addWidget(m_keyTable);
    keyLayout->addWidget(buttonRow({actions.addField, actions.deleteField}, keyPane));

    auto* recordPane = new QWidget(this);
    auto* recordLayout = new QVBoxLayout(recordPane);
    recordLayout->setContentsMargins(0, 0, 0, 0);
    m_search = new QLineEdit(recordPane);
    m_search->setPlaceholderText(tr("Search"));
    m_search->setClearButtonEnabled(true);
    recordLayout->addWidget(m_search);
    m_recordTable = makeListTable(m_recordModel, recordPane, true);
    // Nothing is sorted until the user clicks a header: the stored order is the run's order.
    m_recordTable->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_recordTable->setSortingEnabled(true);
    m_recordTable->setEditTriggers(QAbstractItemView::DoubleClicked |
                                   QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
    m_recordTable->setItemDelegate(new CellEditDelegate(*stack, m_recordTable));
    // Several records can go at once (Delete Record asks first then). The Delete key reaches
    // the command only from the table itself: in a cell being edited it stays a text key.
    m_recordTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_recordTable->addAction(actions.deleteRecord);
    recordLayout->addWidget(m_recordTable);
    // Two rows, the records' commands above their checks', so that the window can be narrow.
    recordLayout->addWidget(
        buttonRow({actions.addRecord, actions.deleteRecord, actions.renumber, actions.sortRecords},
                  recordPane));
    recordLayout->addWidget(buttonRow(
        {actions.checkAll, actions.uncheckAll, actions.invertChecks, actions.deleteChecked},
        recordPane));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(keyPane);
    splitter->addWidget(recordPane);
    splitter->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    setTabOrder(m_keyTable, m_search);
    setTabOrder(m_search, m_recordTable);

    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_state->setSearch(text); });
    // The window clears the search after an import or an added record, and makes a sort
    // permanent: the field and the header show it.
    connect(state, &WindowState::databaseArrangementChanged, this, &DatabaseTab::showArrangement);
    // Rows inserted or removed above the selected field move it without a selection change.
    const auto followFieldSelection = [this] {
        const QModelIndex current = m_keyTable->selectionModel()->currentIndex();
        m_state->setSelectedFieldIndex(current.isValid() ? current.row() : -1);
        emit selectionChanged();
    };
    connect(m_keyTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            followFieldSelection);
    connect(m_keyModel, &QAbstractItemModel::modelReset, this, followFieldSelection);
    connect(m_keyModel, &QAbstractItemModel::rowsRemoved, this, followFieldSelection);
    connect(m_recordTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                m_state->setSelectedRecord(
                    current.isValid() ? m_recordModel->recordAt(current.row()) : nullptr);
                emit selectionChanged();
            });
    // A reset drops the view's selection: the record stays selected while it is listed.
    connect(m_recordModel, &QAbstractItemModel::modelReset, this,
            [this] { selectRecord(m_state->selectedRecord()); });
    connect(m_keyModel, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first) {
                m_keyTable->setCurrentIndex(m_keyModel->index(first, 0));
            });
}

void DatabaseTab::showArrangement()
{
    const RecordArrangement& arranged = m_state->databaseArrangement();
    if (m_search->text() != arranged.search) {
        const QSignalBlocker block(m_search);
        m_search->setText(arranged.search);
    }
    QHeaderView* header = m_recordTable->horizontalHeader();
    if (!arranged.sort && header->sortIndicatorSection() >= 0)
        header->setSortIndicator(-1, Qt::AscendingOrder);
}

void DatabaseTab::selectRecord(const Record& record)
{
    const int row = m_recordModel->rowOf(record);
    if (row < 0) {
        m_recordTable->selectionModel()->clearCurrentIndex();
        m_recordTable->clearSelection();
        m_state->setSelectedRecord(nullptr);
        emit selectionChanged();
        return;
    }
    const int column = m_recordModel->columnCount() > kFirstUserKeyIndex ? kFirstUserKeyIndex : 0;
    const QModelIndex index = m_recordModel->index(row, column);
    m_recordTable->setCurrentIndex(index);
    m_recordTable->scrollTo(index);
}

std::vector<Record> DatabaseTab::selectedRecords() const
{
    QModelIndexList rows = m_recordTable->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    std::vector<Record> records;
    records.reserve(size_t(rows.size()));
    for (const QModelIndex& row : rows)
        if (const Record record = m_recordModel->recordAt(row.row()))
            records.push_back(record);
    return records;
}

void DatabaseTab::editNewRecord(const Record& record)
{
    selectRecord(record);
    if (m_recordTable->currentIndex().isValid())
        m_recordTable->setFocus(Qt::OtherFocusReason);
}

void DatabaseTab::editFieldName(int index)
{
    const QModelIndex name = m_keyModel->index(index, 0);
    if (!name.isValid())
        return;
    m_keyTable->setCurrentIndex(name);
    m_keyTable->scrollTo(name);
    m_keyTable->setFocus(Qt::OtherFocusReason);
    m_keyTable->edit(name);
}

} // namespace quillory
