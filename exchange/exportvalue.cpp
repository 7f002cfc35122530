#include "exchange/exportvalue.h"

#include "exchange/exportlayout.h"

#include <QDateTime>

#include <cmath>

namespace quillory {

namespace {

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC, the origin of archived dates.
constexpr double kSecondsFrom1970To2001 = 978307200.0;

QString shortDateText(const DateValue& date, const QLocale& locale)
{
    const double msecs = (date.secondsSince2001 + kSecondsFrom1970To2001) * 1000.0;
    // Beyond this QDateTime cannot represent the moment; such a date is written as "".
    if (!std::isfinite(msecs) || std::fabs(msecs) > 8.0e15)
        return {};
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(std::llround(msecs));
    if (!moment.isValid())
        return {};
    return locale.toString(moment.date(), QLocale::ShortFormat);
}

void cleanLineEnds(QString& text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1String(" \n"), QLatin1String(" "));
    text.replace(QLatin1String("\n "), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

QString ExportValue::text(const Value& value, const QLocale& locale)
{
    switch (value.type()) {
    case Value::Type::String:
        return *value.stringPtr();
    case Value::Type::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case Value::Type::Integer:
        return QString::number(value.toInteger());
    case Value::Type::Unsigned:
        return QString::number(value.toUnsigned());
    case Value::Type::Real:
        return QString::number(value.toReal(), 'f', QLocale::FloatingPointShortest);
    case Value::Type::Date:
        return shortDateText(value.toDate(), locale);
    default:
        return {};
    }
}

bool ExportValue::changesWhenWritten(ExportFormat format, QStringView text)
{
    switch (format) {
    case ExportFormat::TabSeparated:
    case ExportFormat::QuotedCsv:
    case ExportFormat::PlainCsv:
    case ExportFormat::HtmlTable:
    case ExportFormat::HtmlPage:
    case ExportFormat::SemicolonCsv:
        break;
    case ExportFormat::Custom:
    case ExportFormat::Xlsx:
        return false;
    }
    const bool quoted = format == ExportFormat::QuotedCsv || format == ExportFormat::SemicolonCsv;
    const bool html = format == ExportFormat::HtmlTable || format == ExportFormat::HtmlPage;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\n':
        case '\r':
            if (!html)
                return true;
            break;
        case '\t':
            if (format == ExportFormat::TabSeparated)
                return true;
            break;
        case ',':
            if (format == ExportFormat::PlainCsv)
                return true;
            break;
        case '"':
            if (quoted)
                return true;
            break;
        case '&':
        case '<':
        case '>':
            if (html)
                return true;
            break;
        default:
            break;
        }
    }
    return false;
}

QString ExportValue::written(ExportFormat format, QString text)
{
    return escape(format, clean(format, std::move(text)));
}

QString ExportValue::clean(ExportFormat format, QString text)
{
    switch (format) {
    case ExportFormat::TabSeparated:
        text.replace(QLatin1String(" \t"), QLatin1String(" "));
        text.replace(QLatin1String("\t "), QLatin1String(" "));
        text.replace(QLatin1Char('\t'), QLatin1Char(' '));
        cleanLineEnds(text);
        break;
    case ExportFormat::QuotedCsv:
    case ExportFormat::SemicolonCsv:
        cleanLineEnds(text);
        break;
    case ExportFormat::PlainCsv:
        cleanLineEnds(text);
        text.replace(QLatin1String(" ,"), QLatin1String(" "));
        text.replace(QLatin1String(", "), QLatin1String(" "));
        text.replace(QLatin1Char(','), QLatin1Char(' '));
        break;
    default:
        break;
    }
    return text;
}

QString ExportValue::escape(ExportFormat format, QString text)
{
    switch (format) {
    case ExportFormat::QuotedCsv:
    case ExportFormat::SemicolonCsv:
        text.replace(QLatin1Char('"'), QLatin1String("\"\""));
        break;
    case ExportFormat::HtmlTable:
    case ExportFormat::HtmlPage:
        // The ampersand first, so that the entities made next are not escaped again.
        text.replace(QLatin1Char('&'), QLatin1String("&amp;"));
        text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
        text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
        break;
    default:
        break;
    }
    return text;
}

} // namespace quillory
