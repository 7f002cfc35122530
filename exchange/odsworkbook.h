#pragma once

#include "core/result.h"
#include "exchange/sheetgrid.h"
#include "exchange/workbookarchive.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace quillory {

// An OpenDocument spreadsheet (.ods): its tables by name, and each table's cells as the text a
// person reads in them (paragraphs, numbers, booleans, dates and times by their data style,
// formulas by the value saved with them).
class OdsWorkbook
{
public:
    static const QString kMimeType;

    // Whether archive holds a spreadsheet of this kind (its mimetype part says so).
    static bool recognizes(WorkbookArchive& archive);
    // Reads the tables' names; archive must outlive the workbook.
    static Result<OdsWorkbook> open(WorkbookArchive& archive);

    QStringList sheetNames() const { return m_names; }
    // Puts the cells of the table at index into grid.
    Result<void> readSheet(int index, SheetGrid& grid);

private:
    OdsWorkbook() = default;

    QByteArray m_content;
    QStringList m_names;
    // The number format codes of the date and time data styles, by style name.
    QHash<QString, QString> m_dateFormats;
};

} // namespace quillory
