#pragma once

#include "core/result.h"
#include "exchange/importrows.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace quillory {

class OdsWorkbook;
class WorkbookArchive;
class XlsxWorkbook;

// A spreadsheet workbook chosen for import (.xlsx or .ods, told by its content, not its name):
// its sheets, and any one of them as import rows of the texts its cells show. A workbook that
// cannot be read (protected by a password, damaged, built to expand past the memory) is
// refused with a message that says why.
class WorkbookReader
{
public:
    enum class Kind { Xlsx, Ods };

    // Whether bytes (the first few of a file are enough) begin as a zip archive or as the
    // container of a password-protected Office workbook: such a file is read as a workbook,
    // never as text.
    static bool looksLikeWorkbook(QByteArrayView bytes);
    // The same for the file at path (false when it cannot be read).
    static bool looksLikeWorkbookFile(const QString& path);

    // Opens a workbook from its bytes; shownFile names it in the messages.
    static Result<WorkbookReader> open(QByteArray bytes, const QString& shownFile);
    // Reads the file at path first (a file larger than the reader takes is refused).
    static Result<WorkbookReader> openFile(const QString& path, const QString& shownFile);

    WorkbookReader(WorkbookReader&&) noexcept;
    WorkbookReader& operator=(WorkbookReader&&) noexcept;
    ~WorkbookReader();

    Kind kind() const { return m_kind; }
    QStringList sheetNames() const;
    // The sheet a user names: its name, or its number from 1; none when there is no such sheet.
    std::optional<int> findSheet(const QString& nameOrNumber) const;
    // The sheet at index (from 0) as rows; a failure names the file, the sheet and why.
    Result<ImportRows> readSheet(int index);

private:
    WorkbookReader();
    Failure refusal(const QString& why) const;

    Kind m_kind = Kind::Xlsx;
    QString m_shownFile;
    std::unique_ptr<WorkbookArchive> m_archive;
    std::unique_ptr<XlsxWorkbook> m_xlsx;
    std::unique_ptr<OdsWorkbook> m_ods;
};

} // namespace quillory
