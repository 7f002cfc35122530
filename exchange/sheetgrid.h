#pragma once

#include "core/result.h"
#include "exchange/importrows.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace quillory {

// The cells of one sheet as a workbook reader finds them, in any order, made into import rows:
// rows and columns keep their places, merged cells keep only their first cell's value, and
// empty rows and the empty columns past a row's last text give no field.
class SheetGrid
{
public:
    // The most rows and columns a spreadsheet program makes; a sheet beyond them is damaged
    // or built to exhaust the memory.
    static constexpr qint64 kMaxRows = 1048576;
    static constexpr qint64 kMaxColumns = 16384;
    // The most cells with text an import takes from one sheet.
    static constexpr qint64 kMaxCells = 20'000'000;

    // row and column from 0. The empty text adds nothing. A failure says which limit the cell
    // passes.
    Result<void> setCell(qint64 row, qint64 column, QStringView text);
    // The cells of the range but its first lose their values.
    void addMergedRange(qint64 firstRow, qint64 firstColumn, qint64 lastRow, qint64 lastColumn);
    qint64 cellCount() const { return qint64(m_cells.size()); }

    // The rows, top to bottom, each from the first column to its last cell with text; the
    // grid is empty afterwards.
    ImportRows takeRows();

    // "C12" as (row 11, column 2); none for what is not a cell reference.
    static bool parseReference(QStringView reference, qint64* row, qint64* column);

private:
    struct Cell
    {
        quint32 row;
        quint32 column;
        quint32 start;
        quint32 length;
        // Order of arrival, so that a cell given twice keeps its last value.
        quint32 order;
    };
    struct Range
    {
        qint64 firstRow, firstColumn, lastRow, lastColumn;
    };
    QString m_text;
    std::vector<Cell> m_cells;
    std::vector<Range> m_merged;
};

} // namespace quillory
