#pragma once

#include "core/generateditem.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace quillory {

class WindowState;

// The generated items as the merge and preview tables show them: All in One items first, each
// group in list order, with their kind (folder or file, One per Record or All in One) and
// unexpanded path.
class GeneratedItemsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FolderColumn, SideColumn, PathColumn, ColumnCount };

    explicit GeneratedItemsModel(const WindowState* state, QObject* parent = nullptr);

    std::optional<GeneratedItem> itemAt(int row) const;
    int rowOf(const std::optional<GeneratedItem>& item) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void reload();

    const WindowState* m_state;
    std::vector<GeneratedItem> m_rows;
};

} // namespace quillory
