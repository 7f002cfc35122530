#include "app/widgets/listtable.h"

#include <QHeaderView>
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
    return table;
}

} // namespace quillory
