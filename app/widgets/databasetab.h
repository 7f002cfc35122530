#pragma once

#include <QWidget>

class QLineEdit;
class QTableView;

namespace quillory {

class Document;
class FieldKeyModel;
class RecordTableModel;
struct DocumentActions;

// The database tab: the field-key table with its commands, the search field and the record
// table with the record commands. Selections are handed to the document.
class DatabaseTab : public QWidget
{
    Q_OBJECT
public:
    DatabaseTab(Document* doc, const DocumentActions& actions, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return m_search; }
    QTableView* keyTable() const { return m_keyTable; }
    QTableView* recordTable() const { return m_recordTable; }
    RecordTableModel* recordModel() const { return m_recordModel; }

    // Selects the record's row (after an add) and shows it.
    void selectRecord(int row);

signals:
    void selectionChanged();

private:
    Document* m_doc;
    FieldKeyModel* m_keyModel;
    RecordTableModel* m_recordModel;
    QTableView* m_keyTable;
    QTableView* m_recordTable;
    QLineEdit* m_search;
};

} // namespace quillory
