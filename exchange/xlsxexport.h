#pragma once

#include "core/fieldkey.h"
#include "core/record.h"
#include "core/result.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace quillory {

// Writes records as a workbook (.xlsx) of one sheet: the field names as a first row when
// asked, then one row per record. Every value is a text cell, so that a value such as "=1+1"
// or "007" stays what it was; only the counter is written as a number. Line ends within a
// value are written as LF, the line break of a cell.
class XlsxExport
{
public:
    // What one cell of a sheet holds at most, in UTF-16 code units as spreadsheets count.
    static constexpr qsizetype kCellTextLimit = 32767;
    static constexpr qsizetype kRowLimit = 1048576;
    static constexpr qsizetype kColumnLimit = 16384;

    // The records and fields are only read, and must outlive the export.
    XlsxExport(const std::vector<Record>& records, const std::vector<FieldKey>& fields,
               bool fieldNamesAsFirstRow);

    // Why the records cannot be written as a sheet (too many rows or columns, a text longer
    // than a cell holds: never cut short without a word), or none.
    std::optional<QString> refusal() const;
    // Makes the workbook in a scratch file and hands its bytes to write in parts of about a
    // megabyte; stops when write returns false.
    Result<> writeInParts(const std::function<bool(const QByteArray& part)>& write) const;

private:
    // Makes the whole workbook at path.
    Result<> makeWorkbook(const QString& path) const;

    const std::vector<Record>& m_records;
    const std::vector<FieldKey>& m_fields;
    bool m_fieldNamesAsFirstRow;
};

} // namespace quillory
