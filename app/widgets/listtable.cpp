#include "app/widgets/listtable.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

namespace quillory {

QTableView* makeListTable(QAbstractItemModel* model, QWidget* parent, bool editable)
{
    auto* table = new QTableView(parent);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    if (!editable)
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setSectionsMovable(false);
    table->horizontalHeader()->setStretchLastSection(true);
    // Tab leaves the table for the next control, as in a form; arrows move between cells, and
    // Tab in an open cell editor still goes on to the next cell.
    table->setTabKeyNavigation(false);
    // Tabbing into a table makes its first row the current one without selecting it: the row
    // the window acts on is always the one that shows as selected.
    QItemSelectionModel* selection = table->selectionModel();
    QObject::connect(selection, &QItemSelectionModel::currentRowChanged, table,
                     [selection](const QModelIndex& current) {
                         if (current.isValid() && !selection->isRowSelected(current.row()))
                             selection->select(current, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
                     });
    return table;
}

} // namespace quillory
