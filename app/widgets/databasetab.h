#pragma once

#include "core/record.h"

#include <QWidget>

#include <vector>

class QLineEdit;
class QTableView;

namespace quillory {

class FieldKeyModel;
class RecordTableModel;
class UndoStack;
class WindowState;
struct DocumentActions;

// The database tab: the field-key table with its commands, the search field and the record
// table with the record commands. The search, the sort and the selections are the window's.
class DatabaseTab : public QWidget
{
    Q_OBJECT
public:
    DatabaseTab(UndoStack* stack, WindowState* state, const DocumentActions& actions,
                QWidget* parent = nullptr);

    QLineEdit* searchField() const { return m_search; }
    QTableView* keyTable() const { return m_keyTable; }
    QTableView* recordTable() const { return m_recordTable; }
    RecordTableModel* recordModel() const { return m_recordModel; }
    // The records whose rows are selected, top to bottom.
    std::vector<Record> selectedRecords() const;

    // Selects the record's row and shows it; none when it is not listed.
    void selectRecord(const Record& record);
    // Selects the new record at its first user cell (its counter when there is no user field)
    // and gives the table the keyboard focus, so that typing fills the record.
    void editNewRecord(const Record& record);
    // Opens the name of the field at index (a position in keyArray) for typing, its text
    // selected: typing renames it, Escape keeps the name it has.
    void editFieldName(int index);

signals:
    void selectionChanged();

private:
    // The window's search and sort as the search field and the header show them.
    void showArrangement();

    WindowState* m_state;
    FieldKeyModel* m_keyModel;
    RecordTableModel* m_recordModel;
    QTableView* m_keyTable;
    QTableView* m_recordTable;
    QLineEdit* m_search;
};

} // namespace quillory
