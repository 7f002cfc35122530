#pragma once

#include "core/prototype.h"
#include "prototypes/prototypeside.h"

#include <QAbstractTableModel>

#include <vector>

namespace quillory {

class Document;
class UndoStack;

// One side's Prototype table: the Prototypes of that side in list order, with their kind (a
// folder check and an icon) and path. Changes go through the Prototype commands.
class PrototypeListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { KindColumn, FolderColumn, PathColumn, ColumnCount };

    PrototypeListModel(UndoStack* stack, PrototypeSide side, QObject* parent = nullptr);

    PrototypeSide side() const { return m_side; }
    PrototypePtr prototypeAt(int row) const;
    int rowOf(const PrototypePtr& proto) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    void reload();

    UndoStack* m_stack;
    const Document* m_doc;
    PrototypeSide m_side;
    std::vector<PrototypePtr> m_rows;
};

} // namespace quillory
