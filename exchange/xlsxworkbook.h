#pragma once

#include "core/result.h"
#include "exchange/sheetgrid.h"
#include "exchange/workbookarchive.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quillory {

// An Office Open XML workbook (.xlsx): its sheets by name, and each sheet's cells as the text
// a person reads in them (shared and inline texts, numbers, booleans, dates by their number
// format, formulas by the result saved with them).
class XlsxWorkbook
{
public:
    // Whether archive holds a workbook of this kind.
    static bool recognizes(const WorkbookArchive& archive);
    // Reads the list of sheets; archive must outlive the workbook.
    static Result<XlsxWorkbook> open(WorkbookArchive& archive);

    QStringList sheetNames() const;
    // Puts the cells of the sheet at index into grid.
    Result<void> readSheet(int index, SheetGrid& grid);

private:
    explicit XlsxWorkbook(WorkbookArchive& archive) : m_archive(&archive) {}
    Result<void> readSharedTexts();
    Result<void> readStyles();

    struct Sheet
    {
        QString name;
        QString part;
    };
    WorkbookArchive* m_archive;
    std::vector<Sheet> m_sheets;
    bool m_from1904 = false;
    QString m_sharedTextsPart;
    QString m_stylesPart;
    bool m_stylesRead = false;
    bool m_sharedTextsRead = false;
    std::vector<QString> m_sharedTexts;
    // The date format of each cell style (index s), none for a style that shows no date.
    std::vector<std::optional<QString>> m_dateFormats;
};

} // namespace quillory
