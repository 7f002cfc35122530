#pragma once

#include "exchange/importdestination.h"
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTabWidget;
class QTableWidget;

namespace quillory {

class DestinationHeader;

// The import settings: the file's first rows as a grid, with where each column's values go
// (nowhere, a new field or an existing field) chosen in a menu above the column, and the same
// row by row on a second tab. Every choice is an operation of the session; the dialog only
// shows the session's state, and lays out the destination menus: "Do not import", "New field"
// and the fields, apart by separators.
class ImportSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // Columns of the row-by-row table: the column's text in the shown row, the import mark,
    // the destination.
    enum Column { ValueColumn, MarkColumn, DestinationColumn };
    // Rows of the file the grid shows.
    static constexpr int kGridRows = 20;

    ImportSettingsDialog(ImportSession& session, QWidget* parent = nullptr);

    // The grid of the file's first rows, and the destination menu above its column.
    QTableWidget* previewGrid() const { return m_grid; }
    QComboBox* destinationMenu(int column) const;
    // The row-by-row table, its rows the file's columns.
    QTableWidget* mappingTable() const { return m_table; }

    // Shows notice above the preview with a button titled action; the button calls readAgain,
    // which parses the file again into the session, then shows its rows and drops the notice.
    void showNotice(const QString& notice, const QString& action, std::function<void()> readAgain);
    // The session holds other rows (the file was read again): shows them, columns and all.
    void rowsReplaced();
    // For a workbook: a menu of its sheets before the notice, current chosen. Choosing another
    // calls readSheet with its index, which reads it into the session and says whether it
    // could; its rows are then shown, or the menu goes back to the sheet shown.
    void showSheets(const QStringList& names, int current, std::function<bool(int)> readSheet);
    QComboBox* sheetMenu() const { return m_sheets; }
    // For delimited text: the format and encoding menus before the notice, showing format and
    // encoding. Choosing another item calls readText with what both menus then show, which
    // reads the file again into the session and says whether it could; its rows are then shown,
    // or the menus go back to what was read. The notice goes first: the new reading may have
    // one of its own.
    void showTextChoices(ImportSession::FileFormat format, TextEncoding encoding,
                         std::function<bool(ImportSession::FileFormat, TextEncoding)> readText);
    // Shows encoding in the encoding menu, for a reading chosen elsewhere (the notice).
    void showEncoding(TextEncoding encoding);
    QComboBox* formatMenu() const { return m_formats; }
    QComboBox* encodingMenu() const { return m_encodings; }

    // Asks first when no column is imported and records would still be made.
    void accept() override;

private:
    QPushButton* addButton(const QString& title, const QString& name,
                           std::function<void(ImportSession&)> command);
    QWidget* makeGridTab();
    QWidget* makeRowTab();
    void buildDestinationMenu();
    // A format or encoding chosen in their menus: the file is read again.
    void textChoiceChanged();
    void buildGrid();
    void buildMappingRows();
    QComboBox* makeDestinationMenu(QWidget* parent, int column);
    // Shows the session's mapping, shown row and options again after a command.
    void refresh();
    void refreshGrid();
    void refreshMappingRows();
    void destinationChosen(int column, int menuIndex);
    // The menu index that shows destination, -1 for none.
    int menuIndexOf(const ImportDestination& destination) const;
    // The records an import would make now.
    qsizetype recordsToMake() const;

    ImportSession& m_session;
    // What each item of a destination menu chooses, by menu index; a separator takes an index
    // of its own and holds none. Every menu shows the one item model.
    std::vector<std::optional<ImportDestination>> m_menu;
    QStandardItemModel* m_menuItems;
    // What was read: the notice about it, and the choice of what to read again.
    QHBoxLayout* m_sourceBar;
    QLabel* m_notice;
    QPushButton* m_noticeAction;
    std::function<void()> m_readAgain;
    QTabWidget* m_views;
    QTableWidget* m_grid;
    DestinationHeader* m_gridHeader;
    QTableWidget* m_table;
    // The row-by-row table's menus are made when its tab is first shown: a file of thousands
    // of columns would otherwise make them twice.
    bool m_mappingRowsBuilt = false;
    QLabel* m_rowLabel;
    QLabel* m_countLabel;
    QPushButton* m_previous;
    QPushButton* m_next;
    QCheckBox* m_firstRow;
    QCheckBox* m_headerNames;
    QComboBox* m_sheets = nullptr;
    int m_shownSheet = 0;
    std::function<bool(int)> m_readSheet;
    QComboBox* m_formats = nullptr;
    QComboBox* m_encodings = nullptr;
    // What the file was last read as: the menus go back to it when a reading fails.
    int m_readFormat = 0;
    int m_readEncoding = 0;
    std::function<bool(ImportSession::FileFormat, TextEncoding)> m_readText;
};

} // namespace quillory
