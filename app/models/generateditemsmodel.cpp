#include "app/models/generateditemsmodel.h"

#include "app/document/windowstate.h"
#include "merge/generateditems.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

namespace quillory {

GeneratedItemsModel::GeneratedItemsModel(const WindowState* state, QObject* parent)
    : QAbstractTableModel(parent), m_state(state)
{
    m_rows = GeneratedItems::arrangedItems(state->generatedItems());
    connect(state, &WindowState::generatedItemsChanged, this, &GeneratedItemsModel::reload);
}

void GeneratedItemsModel::reload()
{
    beginResetModel();
    m_rows = GeneratedItems::arrangedItems(m_state->generatedItems());
    endResetModel();
}

std::optional<GeneratedItem> GeneratedItemsModel::itemAt(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return std::nullopt;
    return m_rows[size_t(row)];
}

int GeneratedItemsModel::rowOf(const std::optional<GeneratedItem>& item) const
{
    if (!item)
        return -1;
    const auto it = std::find(m_rows.begin(), m_rows.end(), *item);
    return it == m_rows.end() ? -1 : int(it - m_rows.begin());
}

int GeneratedItemsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int GeneratedItemsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GeneratedItemsModel::data(const QModelIndex& index, int role) const
{
    const std::optional<GeneratedItem> item = itemAt(index.row());
    if (!item)
        return {};
    switch (index.column()) {
    case FolderColumn:
        if (role == Qt::DecorationRole)
            return QApplication::style()->standardIcon(item->isFolder ? QStyle::SP_DirIcon
                                                                      : QStyle::SP_FileIcon);
        if (role == Qt::ToolTipRole)
            return item->isFolder ? tr("Folder") : tr("File");
        return {};
    case SideColumn:
        if (role == Qt::DisplayRole)
            return item->isMulti ? tr("Each") : tr("One");
        if (role == Qt::ToolTipRole)
            return item->isMulti ? tr("One per Record") : tr("All in One");
        return {};
    case PathColumn:
        if (role == Qt::DisplayRole)
            return item->path;
        return {};
    }
    return {};
}

QVariant GeneratedItemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case SideColumn:
        return tr("Made");
    case PathColumn:
        return tr("Path");
    }
    return QString();
}

} // namespace quillory
