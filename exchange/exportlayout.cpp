#include "exchange/exportlayout.h"

#include "exchange/exportvalue.h"

#include <array>
#include <utility>

namespace quillory {

namespace {

const std::array<std::pair<const char*, ExportFormat>, 8> kFormatNames{{
    {"tsv", ExportFormat::TabSeparated},
    {"csv", ExportFormat::QuotedCsv},
    {"csv-plain", ExportFormat::PlainCsv},
    {"csv-semicolon", ExportFormat::SemicolonCsv},
    {"html-table", ExportFormat::HtmlTable},
    {"html-page", ExportFormat::HtmlPage},
    {"xlsx", ExportFormat::Xlsx},
    {"custom", ExportFormat::Custom},
}};

} // namespace

ExportLayout ExportLayout::fixedForFormat(ExportFormat format, const QString& pageTitle)
{
    const QString lf = QStringLiteral("\n");
    ExportLayout l;
    switch (format) {
    case ExportFormat::TabSeparated:
        l.end_of_record = lf;
        l.field_separator = QStringLiteral("\t");
        break;
    case ExportFormat::QuotedCsv:
    case ExportFormat::SemicolonCsv:
        l.end_of_record = lf;
        l.field_open_tag = QStringLiteral("\"");
        l.field_close_tag = QStringLiteral("\"");
        // Spreadsheets set to a locale with a decimal comma expect semicolons.
        l.field_separator =
            format == ExportFormat::QuotedCsv ? QStringLiteral(",") : QStringLiteral(";");
        break;
    case ExportFormat::HtmlTable:
    case ExportFormat::HtmlPage:
        if (format == ExportFormat::HtmlTable) {
            l.start_of_file = QStringLiteral("<table>");
            l.end_of_file = QStringLiteral("</table>");
        } else {
            // The file is written as UTF-8; without saying so a browser may guess otherwise.
            l.start_of_file = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                             "<title>%1</title></head><body><table>")
                                  .arg(ExportValue::escape(format, pageTitle));
            l.end_of_file = QStringLiteral("</table></body></html>");
        }
        l.start_of_record = QStringLiteral("<tr>");
        l.end_of_record = QStringLiteral("</tr>");
        l.field_open_tag = QStringLiteral("<td>");
        l.field_close_tag = QStringLiteral("</td>");
        l.use_end_of_record_in_last_record = true;
        break;
    case ExportFormat::PlainCsv:
        l.end_of_record = lf;
        l.field_separator = QStringLiteral(",");
        break;
    case ExportFormat::Custom:
    case ExportFormat::Xlsx:
        break;
    }
    return l;
}

ExportLayout ExportLayout::custom(const QString& startOfFile, const QString& endOfFile,
                                  const QString& startOfRecord, const QString& endOfRecord,
                                  const QString& fieldOpenTag, const QString& fieldCloseTag,
                                  const QString& fieldSeparator,
                                  const std::optional<QString>& useEndOfRecordInLastRecord)
{
    ExportLayout l;
    l.start_of_file = expandEscapes(startOfFile);
    l.end_of_file = expandEscapes(endOfFile);
    l.start_of_record = expandEscapes(startOfRecord);
    l.end_of_record = expandEscapes(endOfRecord);
    l.field_open_tag = expandEscapes(fieldOpenTag);
    l.field_close_tag = expandEscapes(fieldCloseTag);
    l.field_separator = expandEscapes(fieldSeparator);
    l.use_end_of_record_in_last_record = readsAsYes(useEndOfRecordInLastRecord);
    return l;
}

QString ExportLayout::fileTypeForFormat(ExportFormat format)
{
    switch (format) {
    case ExportFormat::TabSeparated:
        return QStringLiteral("tsv");
    case ExportFormat::QuotedCsv:
    case ExportFormat::PlainCsv:
    case ExportFormat::SemicolonCsv:
        return QStringLiteral("csv");
    case ExportFormat::HtmlPage:
        return QStringLiteral("html");
    case ExportFormat::Xlsx:
        return QStringLiteral("xlsx");
    case ExportFormat::HtmlTable:
    case ExportFormat::Custom:
        break;
    }
    return QStringLiteral("txt");
}

QString ExportLayout::nameOfFormat(ExportFormat format)
{
    for (const auto& [name, f] : kFormatNames)
        if (f == format)
            return QString::fromLatin1(name);
    return {};
}

std::optional<ExportFormat> ExportLayout::formatNamed(const QString& name)
{
    for (const auto& [n, format] : kFormatNames)
        if (name == QLatin1String(n))
            return format;
    return std::nullopt;
}

QStringList ExportLayout::formatNames()
{
    QStringList names;
    for (const auto& entry : kFormatNames)
        names << QString::fromLatin1(entry.first);
    return names;
}

bool ExportLayout::hasHeaderCells(ExportFormat format)
{
    return format == ExportFormat::HtmlTable || format == ExportFormat::HtmlPage;
}

QString ExportLayout::expandEscapes(QString text)
{
    text.replace(QLatin1String("\\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\\t"), QLatin1String("\t"));
    return text;
}

QString ExportLayout::escapeControls(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return text;
}

bool ExportLayout::readsAsYes(const std::optional<QString>& flag)
{
    if (!flag)
        return false;
    qsizetype i = 0;
    const qsizetype n = flag->size();
    while (i < n && flag->at(i).isSpace())
        ++i;
    if (i < n && (flag->at(i) == QLatin1Char('+') || flag->at(i) == QLatin1Char('-')))
        ++i;
    while (i < n && flag->at(i) == QLatin1Char('0'))
        ++i;
    if (i >= n)
        return false;
    const QChar c = flag->at(i);
    return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') ||
           c == QLatin1Char('t') || (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
}

} // namespace quillory
