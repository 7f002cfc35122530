#include "app/models/prototypelistmodel.h"

#include "commands/prototypecommands.h"
#include "commands/undostack.h"
#include "core/document.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

namespace quillory {

PrototypeListModel::PrototypeListModel(UndoStack* stack, PrototypeSide side, QObject* parent)
    : QAbstractTableModel(parent), m_stack(stack), m_doc(&stack->document()), m_side(side)
{
    const Document* doc = m_doc;
    m_rows = prototypesOn(*doc, side);
    // The lists are short: any change of membership reloads the side's view.
    connect(doc, &Document::prototypesReset, this, &PrototypeListModel::reload);
    connect(doc, &Document::prototypeInserted, this, &PrototypeListModel::reload);
    connect(doc, &Document::prototypeRemoved, this, &PrototypeListModel::reload);
    connect(doc, &Document::prototypeChanged, this, [this](qsizetype stored) {
        const int row = rowOf(m_doc->universalFilePrototypeArray()[size_t(stored)]);
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    });
}

void PrototypeListModel::reload()
{
    beginResetModel();
    m_rows = prototypesOn(*m_doc, m_side);
    endResetModel();
}

PrototypePtr PrototypeListModel::prototypeAt(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)] : nullptr;
}

int PrototypeListModel::rowOf(const PrototypePtr& proto) const
{
    const auto it = std::find(m_rows.begin(), m_rows.end(), proto);
    return proto && it != m_rows.end() ? int(it - m_rows.begin()) : -1;
}

int PrototypeListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PrototypeListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PrototypeListModel::data(const QModelIndex& index, int role) const
{
    const PrototypePtr p = prototypeAt(index.row());
    if (!p)
        return {};
    switch (index.column()) {
    case KindColumn:
        if (role == Qt::DecorationRole)
            return QApplication::style()->standardIcon(p->isFolder ? QStyle::SP_DirIcon
                                                                   : QStyle::SP_FileIcon);
        if (role == Qt::ToolTipRole)
            return p->isMulti ? tr("One per Record") : tr("All in One");
        return {};
    case FolderColumn:
        if (role == Qt::CheckStateRole)
            return p->isFolder ? Qt::Checked : Qt::Unchecked;
        return {};
    case PathColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return p->path;
        return {};
    }
    return {};
}

QVariant PrototypeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case KindColumn:
        return QString();
    case FolderColumn:
        return tr("Folder");
    case PathColumn:
        return tr("Path");
    }
    return {};
}

Qt::ItemFlags PrototypeListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == FolderColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool PrototypeListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const PrototypePtr p = prototypeAt(index.row());
    if (!p || index.column() != FolderColumn || role != Qt::CheckStateRole)
        return false;
    return commands::setPrototypeFolder(*m_stack, p, value.value<Qt::CheckState>() == Qt::Checked);
}

} // namespace quillory
