#include "app/models/recordtablemodel.h"

#include "app/document/windowstate.h"
#include "commands/recordcommands.h"
#include "core/document.h"

#include <algorithm>

namespace quillory {

RecordTableModel::RecordTableModel(const Document* doc, WindowState* state, Kind kind,
                                   UndoStack* stack, QObject* parent)
    : QAbstractTableModel(parent), m_doc(doc), m_state(state), m_kind(kind), m_stack(stack)
{
    takeArrangement();
    // Columns follow the key list; a key change is rare and resets the table.
    for (auto signal : {&Document::keysReset, &Document::recordsReset})
        connect(doc, signal, this, &RecordTableModel::reload);
    // Only the database table follows the search.
    connect(state,
            kind == Kind::Database ? &WindowState::databaseArrangementChanged
                                   : &WindowState::allRecordsSortChanged,
            this, &RecordTableModel::reload);
    connect(doc, &Document::keyInserted, this, &RecordTableModel::reload);
    connect(doc, &Document::keyRemoved, this, &RecordTableModel::reload);
    connect(doc, &Document::keyRenamed, this,
            [this](int index) { emit headerDataChanged(Qt::Horizontal, index, index); });
    connect(state, &WindowState::countersRestyled, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
    });
    connect(doc, &Document::recordValuesChanged, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    });
    connect(doc, &Document::recordChanged, this, [this](qsizetype stored) {
        const int row = rowOf(m_doc->dataArray()[size_t(stored)]);
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(doc, &Document::recordsInserted, this, [this](qsizetype first, qsizetype count) {
        // A reload for the same change already shows them.
        if (!m_arranged && m_storedRows == qsizetype(m_doc->dataArray().size()))
            return;
        if (m_arranged || m_storedRows != first) {
            reload();
            return;
        }
        beginInsertRows({}, int(first), int(first + count - 1));
        m_storedRows += count;
        endInsertRows();
    });
    connect(doc, &Document::recordRemoved, this, [this](qsizetype stored) {
        if (!m_arranged && stored < m_storedRows) {
            beginRemoveRows({}, int(stored), int(stored));
            --m_storedRows;
            endRemoveRows();
            return;
        }
        reload();
    });
}

void RecordTableModel::reload()
{
    beginResetModel();
    takeArrangement();
    endResetModel();
}

void RecordTableModel::takeArrangement()
{
    m_storedRows = qsizetype(m_doc->dataArray().size());
    const RecordArrangement arranged = arrangement();
    if (arranged.isStoredOrder())
        m_arranged.reset();
    else
        m_arranged = arranged.arrange(*m_doc);
}

RecordArrangement RecordTableModel::arrangement() const
{
    return m_kind == Kind::Database ? m_state->databaseArrangement()
                                    : m_state->allRecordsArrangement();
}

Record RecordTableModel::recordAt(int row) const
{
    if (m_arranged)
        return row >= 0 && size_t(row) < m_arranged->size() ? (*m_arranged)[size_t(row)] : nullptr;
    // Between the document's change and its signal the two counts may differ by the change.
    const auto& stored = m_doc->dataArray();
    return row >= 0 && row < m_storedRows && size_t(row) < stored.size() ? stored[size_t(row)]
                                                                         : nullptr;
}

int RecordTableModel::rowOf(const Record& record) const
{
    if (!record)
        return -1;
    const auto& rows = m_arranged ? *m_arranged : m_doc->dataArray();
    const auto it = std::find(rows.begin(), rows.end(), record);
    return it != rows.end() && (m_arranged || it - rows.begin() < m_storedRows)
               ? int(it - rows.begin())
               : -1;
}

QString RecordTableModel::innerKeyAt(int column) const
{
    const auto& keys = m_doc->keyArray();
    return column >= 0 && size_t(column) < keys.size() ? keys[size_t(column)].innerKey : QString();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_arranged ? qsizetype(m_arranged->size()) : m_storedRows);
}

int RecordTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_doc->keyArray().size());
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const
{
    const Record r = recordAt(index.row());
    if (!r || !index.isValid())
        return {};
    const QString key = innerKeyAt(index.column());
    if (key == kCheckedKey) {
        if (role == Qt::CheckStateRole)
            return r->value(kCheckedKey).toBool() ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (key == kCounterKey) {
        const Value counter = r->value(kCounterKey);
        return counter.isNumber() ? m_doc->counterText(counter.toInteger()) : QString();
    }
    return r->text(key);
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const auto& keys = m_doc->keyArray();
        return section >= 0 && size_t(section) < keys.size() ? keys[size_t(section)].publicKey
                                                             : QString();
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!index.isValid() || !m_stack)
        return f;
    if (index.column() == 1)
        f |= Qt::ItemIsUserCheckable;
    else if (index.column() >= kFirstUserKeyIndex)
        f |= Qt::ItemIsEditable;
    return f;
}

bool RecordTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const Record r = recordAt(index.row());
    if (!r || !m_stack)
        return false;
    if (index.column() == 1 && role == Qt::CheckStateRole) {
        commands::editValue(*m_stack, r, kCheckedKey,
                            Value::boolean(value.value<Qt::CheckState>() == Qt::Checked));
        return true;
    }
    if (index.column() >= kFirstUserKeyIndex && role == Qt::EditRole) {
        commands::editValue(*m_stack, r, innerKeyAt(index.column()),
                            Value::string(value.toString()));
        return true;
    }
    return false;
}

void RecordTableModel::sort(int column, Qt::SortOrder order)
{
    const QString key = innerKeyAt(column);
    if (key.isEmpty())
        return;
    const RecordSort sort{key, order == Qt::AscendingOrder};
    if (m_kind == Kind::Database)
        m_state->setDatabaseSort(sort);
    else
        m_state->setAllRecordsSort(sort);
}

} // namespace quillory
