#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace quillory {

class ImportSession;

// The import settings: a preview of one row of the file, and per column where its values go
// (nowhere, a new field or an existing field). Every choice is an operation of the session;
// the dialog only shows the session's state.
class ImportSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // Table columns: the column's text in the shown row, the import mark, the destination.
    enum Column { ValueColumn, MarkColumn, DestinationColumn };

    ImportSettingsDialog(ImportSession& session, QWidget* parent = nullptr);

    QTableWidget* mappingTable() const { return m_table; }

private:
    QPushButton* addButton(const QString& title, const QString& name,
                           std::function<void(ImportSession&)> command);
    void buildMappingRows();
    // Shows the session's mapping, shown row and options again after a command.
    void refresh();
    void destinationChosen(int column, int destination);

    ImportSession& m_session;
    QTableWidget* m_table;
    QLabel* m_rowLabel;
    QLabel* m_countLabel;
    QPushButton* m_previous;
    QPushButton* m_next;
    QCheckBox* m_firstRow;
    QCheckBox* m_headerNames;
};

} // namespace quillory
