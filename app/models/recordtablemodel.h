#pragma once

#include "core/record.h"
#include "core/recordarrangement.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace quillory {

class Document;
class UndoStack;
class WindowState;

// A record table: one row per record as the window arranges them, one column per field key
// (column i shows key i: the counter text, the checked mark, then the user fields). The
// database table lists the records the window's search passes and edits values and marks
// through the record commands; the tables of the other tabs list all records, read-only. Rows
// are fetched by the view only where they are visible. Records in their stored order are read
// from the document itself; only a searched or sorted arrangement is kept here as a list of
// record handles, so that a large import costs the tables no copy.
class RecordTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class Kind { Database, AllRecords };

    // stack: where the database table's edits go (none for a read-only table).
    RecordTableModel(const Document* doc, WindowState* state, Kind kind, UndoStack* stack = nullptr,
                     QObject* parent = nullptr);

    Record recordAt(int row) const;
    int rowOf(const Record& record) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Sorting is the window's: the records stay in their stored order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void reload();
    void takeArrangement();
    RecordArrangement arrangement() const;
    QString innerKeyAt(int column) const;

    const Document* m_doc;
    WindowState* m_state;
    Kind m_kind;
    UndoStack* m_stack;
    // The arranged records, or none while they are the stored ones in stored order.
    std::optional<std::vector<Record>> m_arranged;
    // The rows shown in stored order: the view is told of every change, so this follows the
    // document's count one signal behind.
    qsizetype m_storedRows = 0;
};

} // namespace quillory
