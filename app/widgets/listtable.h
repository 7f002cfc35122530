#pragma once

class QAbstractItemModel;
class QTableView;
class QWidget;

namespace quillory {

// A table of rows as the window shows its lists: whole rows selected one at a time, uniform
// row heights (so the view places any row without measuring the ones above it), columns in
// key order that cannot be moved, the last one stretched, the current row always selected.
// Read-only unless editable.
QTableView* makeListTable(QAbstractItemModel* model, QWidget* parent, bool editable = false);

} // namespace quillory
