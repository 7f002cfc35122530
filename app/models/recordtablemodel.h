#pragma once

#include "core/record.h"

#include <QAbstractTableModel>

#include <vector>

namespace quillory {

class Document;

// A record table: one row per record as the document arranges them, one column per field
// key (column i shows key i: the counter text, the checked mark, then the user fields). The
// database table lists the records the search passes and may edit values and marks; the
// tables of the other tabs list all records, read-only. Rows are fetched by the view only
// where they are visible; the model keeps just the arranged list of record handles.
class RecordTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class Kind { Database, AllRecords };

    RecordTableModel(Document* doc, Kind kind, QObject* parent = nullptr);

    Record recordAt(int row) const;
    int rowOf(const Record& record) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Sorting asks the document, which keeps the sort for its arranged records.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void reload();
    // Whether a record appended to the document is also the last row here.
    bool rowsFollowStoredOrder() const;
    QString innerKeyAt(int column) const;

    Document* m_doc;
    Kind m_kind;
    std::vector<Record> m_rows;
    bool m_sorted = false;
};

} // namespace quillory
