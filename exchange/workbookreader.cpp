#include "exchange/workbookreader.h"

#include "exchange/importfilecheck.h"
#include "exchange/odsworkbook.h"
#include "exchange/sheetgrid.h"
#include "exchange/workbookarchive.h"
#include "exchange/xlsxworkbook.h"

#include <QFile>

namespace quillory {

namespace {

// Office keeps a password-protected workbook in a compound file, not in a zip archive.
const QByteArray kCompoundFileMark("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

} // namespace

WorkbookReader::WorkbookReader() = default;
WorkbookReader::WorkbookReader(WorkbookReader&&) noexcept = default;
WorkbookReader& WorkbookReader::operator=(WorkbookReader&&) noexcept = default;
WorkbookReader::~WorkbookReader() = default;

bool WorkbookReader::looksLikeWorkbook(QByteArrayView bytes)
{
    return WorkbookArchive::isZip(bytes) || bytes.startsWith(kCompoundFileMark);
}

bool WorkbookReader::looksLikeWorkbookFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return looksLikeWorkbook(file.read(8));
}

Failure WorkbookReader::refusal(const QString& why) const
{
    return fail(QStringLiteral("cannot import %1: %2").arg(m_shownFile, why));
}

Result<WorkbookReader> WorkbookReader::openFile(const QString& path, const QString& shownFile)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(shownFile, file.errorString()));
    if (file.size() > ImportFileCheck::kMaxBytes)
        return fail(QStringLiteral("cannot import %1: it is larger than 1 GiB").arg(shownFile));
    return open(file.readAll(), shownFile);
}

Result<WorkbookReader> WorkbookReader::open(QByteArray bytes, const QString& shownFile)
{
    WorkbookReader reader;
    reader.m_shownFile = shownFile;
    if (bytes.startsWith(kCompoundFileMark))
        return reader.refusal(
            QStringLiteral("it is protected by a password (or is an old .xls workbook); save a "
                           "copy as .xlsx without a password in your spreadsheet program and "
                           "import that"));
    Result<std::unique_ptr<WorkbookArchive>> archive = WorkbookArchive::open(std::move(bytes));
    if (!archive)
        return reader.refusal(QStringLiteral("it is %1").arg(archive.message()));
    reader.m_archive = std::move(archive.value());
    if (reader.m_archive->anyEncrypted())
        return reader.refusal(QStringLiteral("it is protected by a password; save a copy without "
                                             "the password in your spreadsheet program and "
                                             "import that"));
    if (XlsxWorkbook::recognizes(*reader.m_archive)) {
        Result<XlsxWorkbook> xlsx = XlsxWorkbook::open(*reader.m_archive);
        if (!xlsx)
            return reader.refusal(xlsx.message());
        reader.m_kind = Kind::Xlsx;
        reader.m_xlsx = std::make_unique<XlsxWorkbook>(std::move(xlsx.value()));
    } else if (OdsWorkbook::recognizes(*reader.m_archive)) {
        Result<OdsWorkbook> ods = OdsWorkbook::open(*reader.m_archive);
        if (!ods)
            return reader.refusal(ods.message());
        reader.m_kind = Kind::Ods;
        reader.m_ods = std::make_unique<OdsWorkbook>(std::move(ods.value()));
    } else {
        return reader.refusal(QStringLiteral("it is a zip archive but not a workbook (.xlsx or "
                                             ".ods)"));
    }
    if (reader.sheetNames().isEmpty())
        return reader.refusal(QStringLiteral("the workbook has no sheet"));
    return reader;
}

QStringList WorkbookReader::sheetNames() const
{
    return m_xlsx ? m_xlsx->sheetNames() : m_ods ? m_ods->sheetNames() : QStringList();
}

std::optional<int> WorkbookReader::findSheet(const QString& nameOrNumber) const
{
    const QStringList names = sheetNames();
    const qsizetype byName = names.indexOf(nameOrNumber);
    if (byName >= 0)
        return int(byName);
    bool isNumber = false;
    const int number = nameOrNumber.toInt(&isNumber);
    if (isNumber && number >= 1 && number <= names.size())
        return number - 1;
    return std::nullopt;
}

Result<ImportRows> WorkbookReader::readSheet(int index)
{
    SheetGrid grid;
    const Result<void> read =
        m_xlsx ? m_xlsx->readSheet(index, grid) : m_ods->readSheet(index, grid);
    if (!read)
        return refusal(read.message());
    return grid.takeRows();
}

} // namespace quillory
