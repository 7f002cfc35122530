#include "exchange/xlsxexport.h"

#include "exchange/exportvalue.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryFile>

#include <xlsxwriter.h>

namespace quillory {

namespace {

// The value of a record as its text cell: a text as it is, other kinds as the text exports
// write them; a missing value is "". A line break in a cell is an LF: a CR would be stored
// as "_x000D_", which not every reader turns back.
QString valueText(const Record& record, const FieldKey& field, const QLocale& locale)
{
    if (!record)
        return {};
    const Value value = record->value(field.innerKey);
    QString text = value.isString() ? *value.stringPtr() : ExportValue::text(value, locale);
    if (text.contains(u'\r'))
        text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    return text;
}

QString libraryError(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

} // namespace

XlsxExport::XlsxExport(const std::vector<Record>& records, const std::vector<FieldKey>& fields,
                       bool fieldNamesAsFirstRow)
    : m_records(records), m_fields(fields), m_fieldNamesAsFirstRow(fieldNamesAsFirstRow)
{}

std::optional<QString> XlsxExport::refusal() const
{
    const qsizetype rows = qsizetype(m_records.size()) + (m_fieldNamesAsFirstRow ? 1 : 0);
    if (rows > kRowLimit)
        return QStringLiteral("%1 rows do not fit in a sheet, which holds at most %2")
            .arg(rows)
            .arg(kRowLimit);
    if (qsizetype(m_fields.size()) > kColumnLimit)
        return QStringLiteral("%1 fields do not fit in a sheet, which holds at most %2 columns")
            .arg(m_fields.size())
            .arg(kColumnLimit);
    const auto tooLong = [](const QString& where, qsizetype length) {
        return QStringLiteral("%1 holds %2 characters, more than the %3 a spreadsheet cell takes")
            .arg(where)
            .arg(length)
            .arg(kCellTextLimit);
    };
    if (m_fieldNamesAsFirstRow)
        for (const FieldKey& field : m_fields)
            if (field.publicKey.size() > kCellTextLimit)
                return tooLong(
                    QStringLiteral("the name of field '%1…'").arg(field.publicKey.left(20)),
                    field.publicKey.size());
    const QLocale locale = QLocale::system();
    for (std::size_t r = 0; r < m_records.size(); ++r)
        for (const FieldKey& field : m_fields) {
            const qsizetype length = valueText(m_records[r], field, locale).size();
            if (length > kCellTextLimit)
                return tooLong(
                    QStringLiteral("field '%1' of record %2").arg(field.publicKey).arg(r + 1),
                    length);
        }
    return std::nullopt;
}

Result<> XlsxExport::makeWorkbook(const QString& path) const
{
    const QByteArray file = QFile::encodeName(path);
    // Rows go out in order, so each can be written and freed before the next.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(file.constData(), &options);
    if (!book)
        return fail(QStringLiteral("the workbook could not be started"));
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_error error = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;

    const QLocale locale = QLocale::system();
    lxw_row_t row = 0;
    const auto writeText = [&](lxw_col_t column, const QString& text) {
        // An empty text makes no cell, which a reader reads as empty too.
        if (error == LXW_NO_ERROR && !text.isEmpty())
            error = worksheet_write_string(sheet, row, column, text.toUtf8().constData(), nullptr);
    };
    if (m_fieldNamesAsFirstRow) {
        for (std::size_t k = 0; k < m_fields.size(); ++k)
            writeText(lxw_col_t(k), m_fields[k].publicKey);
        ++row;
    }
    for (const Record& record : m_records) {
        for (std::size_t k = 0; k < m_fields.size() && error == LXW_NO_ERROR; ++k) {
            const FieldKey& field = m_fields[k];
            const Value counter =
                field.innerKey == kCounterKey && record ? record->value(kCounterKey) : Value();
            if (counter.isNumber())
                error = worksheet_write_number(sheet, row, lxw_col_t(k), counter.toReal(), nullptr);
            else
                writeText(lxw_col_t(k), valueText(record, field, locale));
        }
        ++row;
    }
    // Closing writes the file and frees the workbook, also after an error.
    const lxw_error closed = workbook_close(book);
    if (error != LXW_NO_ERROR)
        return fail(libraryError(error));
    if (closed != LXW_NO_ERROR)
        return fail(libraryError(closed));
    return {};
}

Result<> XlsxExport::writeInParts(const std::function<bool(const QByteArray& part)>& write) const
{
    if (const std::optional<QString> why = refusal())
        return fail(*why);
    // The library writes to a file by name; the workbook is made there, then copied whole, so
    // the destination gets it the way every export is written.
    QTemporaryFile scratch;
    if (!scratch.open())
        return fail(
            QStringLiteral("no scratch file for the workbook: %1").arg(scratch.errorString()));
    scratch.close();
    if (Result<> made = makeWorkbook(scratch.fileName()); !made)
        return made;
    QFile workbook(scratch.fileName());
    if (!workbook.open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("the workbook could not be read back: %1").arg(workbook.errorString()));
    while (!workbook.atEnd()) {
        const QByteArray part = workbook.read(1 << 20);
        if (part.isEmpty() && workbook.error() != QFileDevice::NoError)
            return fail(workbook.errorString());
        if (!write(part))
            return fail(QStringLiteral("the workbook could not be written"));
    }
    return {};
}

} // namespace quillory
