#include "exchange/sheetgrid.h"

#include <algorithm>

namespace quillory {

namespace {

// The text of all cells is kept in one string sliced by 32-bit offsets; 256 Mi characters is
// far beyond any sheet's text and keeps the rows within half a gigabyte.
constexpr qint64 kMaxTextSize = qint64(1) << 28;

} // namespace

Result<void> SheetGrid::setCell(qint64 row, qint64 column, QStringView text)
{
    if (text.isEmpty())
        return {};
    if (row < 0 || row >= kMaxRows)
        return fail(QStringLiteral("it has text in row %1, past the %2 rows a sheet can have")
                        .arg(QString::number(row + 1), QString::number(kMaxRows)));
    if (column < 0 || column >= kMaxColumns)
        return fail(QStringLiteral("it has text in column %1, past the %2 columns a sheet can have")
                        .arg(QString::number(column + 1), QString::number(kMaxColumns)));
    if (qint64(m_cells.size()) >= kMaxCells || m_text.size() + text.size() > kMaxTextSize)
        return fail(
            QStringLiteral("it holds more than %1 cells or 256 Mi characters of text, more than an "
                           "import can hold")
                .arg(QString::number(kMaxCells)));
    m_cells.push_back({quint32(row), quint32(column), quint32(m_text.size()), quint32(text.size()),
                       quint32(m_cells.size())});
    m_text.append(text);
    return {};
}

void SheetGrid::addMergedRange(qint64 firstRow, qint64 firstColumn, qint64 lastRow,
                               qint64 lastColumn)
{
    if (firstRow <= lastRow && firstColumn <= lastColumn &&
        (firstRow < lastRow || firstColumn < lastColumn))
        m_merged.push_back({firstRow, firstColumn, lastRow, lastColumn});
}

ImportRows SheetGrid::takeRows()
{
    auto before = [](const Cell& a, const Cell& b) {
        return std::tie(a.row, a.column, a.order) < std::tie(b.row, b.column, b.order);
    };
    if (!std::is_sorted(m_cells.begin(), m_cells.end(), before))
        std::sort(m_cells.begin(), m_cells.end(), before);
    // A cell given twice keeps its last value.
    auto same = [](const Cell& a, const Cell& b) { return a.row == b.row && a.column == b.column; };
    for (size_t i = 0; i + 1 < m_cells.size(); ++i)
        if (same(m_cells[i], m_cells[i + 1]))
            m_cells[i].length = 0;
    for (const Range& range : m_merged) {
        auto it = std::lower_bound(m_cells.begin(), m_cells.end(), range.firstRow,
                                   [](const Cell& c, qint64 row) { return qint64(c.row) < row; });
        for (; it != m_cells.end() && qint64(it->row) <= range.lastRow; ++it) {
            const bool inside =
                qint64(it->column) >= range.firstColumn && qint64(it->column) <= range.lastColumn;
            const bool first =
                qint64(it->row) == range.firstRow && qint64(it->column) == range.firstColumn;
            if (inside && !first)
                it->length = 0;
        }
    }

    ImportRows rows;
    rows.reset(std::move(m_text));
    rows.reserve(0, qsizetype(m_cells.size()));
    const QStringView text(rows.text());
    const QStringView empty = text.first(0);
    std::vector<QStringView> fields;
    for (size_t i = 0; i < m_cells.size();) {
        const quint32 row = m_cells[i].row;
        fields.clear();
        for (; i < m_cells.size() && m_cells[i].row == row; ++i) {
            const Cell& cell = m_cells[i];
            if (cell.length == 0)
                continue;
            fields.resize(size_t(cell.column), empty);
            fields.push_back(text.mid(cell.start, cell.length));
        }
        if (!fields.empty())
            rows.appendRow(fields);
    }
    m_cells = {};
    m_merged = {};
    m_text = {};
    return rows;
}

bool SheetGrid::parseReference(QStringView reference, qint64* row, qint64* column)
{
    qsizetype i = 0;
    qint64 col = 0;
    while (i < reference.size() && reference[i] == u'$')
        ++i;
    const qsizetype lettersStart = i;
    for (; i < reference.size() && reference[i].isLetter() && i - lettersStart < 4; ++i) {
        const char16_t c = reference[i].toUpper().unicode();
        if (c < u'A' || c > u'Z')
            return false;
        col = col * 26 + (c - u'A' + 1);
    }
    if (i == lettersStart)
        return false;
    if (i < reference.size() && reference[i] == u'$')
        ++i;
    const QStringView digits = reference.mid(i);
    if (digits.isEmpty() || digits.size() > 10 ||
        !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }))
        return false;
    const qint64 r = digits.toLongLong();
    if (r < 1)
        return false;
    *row = r - 1;
    *column = col - 1;
    return true;
}

} // namespace quillory
