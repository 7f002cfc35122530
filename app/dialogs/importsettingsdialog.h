#pragma once

#include "exchange/importdestination.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace quillory {

class ImportSession;

// The import settings: a preview of one row of the file, and per column where its values go
// (nowhere, a new field or an existing field). Every choice is an operation of the session;
// the dialog only shows the session's state, and lays out the destination menus: "Do not
// import", "New field" and the fields, apart by separators.
class ImportSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // Table columns: the column's text in the shown row, the import mark, the destination.
    enum Column { ValueColumn, MarkColumn, DestinationColumn };

    ImportSettingsDialog(ImportSession& session, QWidget* parent = nullptr);

    QTableWidget* mappingTable() const { return m_table; }

    // Shows notice above the preview with a button titled action; the button calls readAgain,
    // which parses the file again into the session, then shows its rows and drops the notice.
    void showNotice(const QString& notice, const QString& action, std::function<void()> readAgain);

private:
    QPushButton* addButton(const QString& title, const QString& name,
                           std::function<void(ImportSession&)> command);
    void buildMappingRows();
    // Shows the session's mapping, shown row and options again after a command.
    void refresh();
    void destinationChosen(int column, int menuIndex);
    // The menu index that shows destination, -1 for none.
    int menuIndexOf(const ImportDestination& destination) const;

    ImportSession& m_session;
    // What each item of a destination menu chooses, by menu index; a separator takes an index
    // of its own and holds none.
    std::vector<std::optional<ImportDestination>> m_menu;
    QTableWidget* m_table;
    QLabel* m_notice;
    QPushButton* m_noticeAction;
    std::function<void()> m_readAgain;
    QLabel* m_rowLabel;
    QLabel* m_countLabel;
    QPushButton* m_previous;
    QPushButton* m_next;
    QCheckBox* m_firstRow;
    QCheckBox* m_headerNames;
};

} // namespace quillory
