#include "app/models/fieldkeymodel.h"

#include "commands/fieldcommands.h"
#include "commands/undostack.h"
#include "core/document.h"

namespace quillory {

FieldKeyModel::FieldKeyModel(UndoStack* stack, QObject* parent)
    : QAbstractTableModel(parent), m_stack(stack), m_doc(&stack->document())
{
    const Document* doc = m_doc;
    connect(doc, &Document::keysReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(doc, &Document::keyInserted, this, [this](int index) {
        // The key is already in the list: announce the row as inserted after the fact.
        beginInsertRows({}, index, index);
        endInsertRows();
    });
    connect(doc, &Document::keyRemoved, this, [this](int index) {
        beginRemoveRows({}, index, index);
        endRemoveRows();
    });
    connect(doc, &Document::keyRenamed, this,
            [this](int index) { emit dataChanged(this->index(index, 0), this->index(index, 0)); });
}

int FieldKeyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_doc->keyArray().size());
}

int FieldKeyModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant FieldKeyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_doc->keyArray()[size_t(index.row())].publicKey;
    return {};
}

QVariant FieldKeyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return tr("Field");
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags FieldKeyModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.row() >= kFirstUserKeyIndex)
        f |= Qt::ItemIsEditable;
    return f;
}

bool FieldKeyModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    // A blank name is refused by the command, and the view shows the previous one again.
    return commands::renameField(*m_stack, index.row(), value.toString());
}

} // namespace quillory
