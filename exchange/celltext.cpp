#include "exchange/celltext.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <vector>

namespace quillory {

namespace {

const std::array<const char*, 12> kMonthNames{"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};

// One piece of a date format: a run of the same letter, or text shown as it is.
struct FormatPiece
{
    QChar letter; // y, m, d, h, s, or 'M' for a run of m that means minutes; 0 for literal
    int length = 0;
    QString literal;
};

// Cuts the first section of a format code into pieces; none when a part is not one that
// dateTime() writes itself (weekdays, AM/PM, elapsed hours, fractions of seconds…).
std::optional<std::vector<FormatPiece>> datePieces(QStringView code)
{
    std::vector<FormatPiece> pieces;
    auto addLiteral = [&](QStringView text) {
        if (pieces.empty() || !pieces.back().letter.isNull())
            pieces.push_back({QChar(), 0, {}});
        pieces.back().literal += text;
    };
    for (qsizetype i = 0; i < code.size();) {
        const QChar c = code[i];
        const QChar lower = c.toLower();
        if (c == u';')
            break;
        if (c == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            if (end < 0)
                return std::nullopt;
            addLiteral(code.mid(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == u'\\' && i + 1 < code.size()) {
            addLiteral(code.mid(i + 1, 1));
            i += 2;
        } else if (c == u'[') {
            // A locale or a colour says nothing of the layout; [h] and the like do.
            const qsizetype end = code.indexOf(u']', i);
            if (end < 0)
                return std::nullopt;
            const QStringView inside = code.mid(i + 1, end - i - 1);
            if (!inside.startsWith(u'$') && !inside.front().isLetter())
                return std::nullopt;
            if (inside.front().isLetter() &&
                QStringLiteral("hms").contains(inside.front().toLower()))
                return std::nullopt;
            i = end + 1;
        } else if (lower == u'y' || lower == u'm' || lower == u'd' || lower == u'h' ||
                   lower == u's') {
            qsizetype end = i;
            while (end < code.size() && code[end].toLower() == lower)
                ++end;
            pieces.push_back({lower, int(end - i), {}});
            i = end;
        } else if (QStringLiteral("/-.:, ").contains(c)) {
            addLiteral(code.mid(i, 1));
            ++i;
        } else {
            return std::nullopt;
        }
    }
    // m is minutes right after hours or right before seconds.
    for (size_t p = 0; p < pieces.size(); ++p) {
        if (pieces[p].letter != u'm' || pieces[p].length > 2)
            continue;
        auto letterAt = [&](size_t q) { return pieces[q].letter; };
        QChar before, after;
        for (size_t q = p; q-- > 0;)
            if (!letterAt(q).isNull()) {
                before = letterAt(q);
                break;
            }
        for (size_t q = p + 1; q < pieces.size(); ++q)
            if (!letterAt(q).isNull()) {
                after = letterAt(q);
                break;
            }
        if (before == u'h' || after == u's')
            pieces[p].letter = u'M';
    }
    for (const FormatPiece& piece : pieces)
        if ((piece.letter == u'd' && piece.length > 2) ||
            (piece.letter == u'm' && piece.length > 4) ||
            (piece.letter != u'm' && piece.letter != u'y' && piece.length > 2))
            return std::nullopt;
    return pieces;
}

QString padded(int n, int width)
{
    return QString::number(n).rightJustified(width, u'0');
}

bool readInt(QStringView text, qsizetype from, qsizetype length, int* out)
{
    if (from + length > text.size())
        return false;
    bool ok = false;
    *out = text.mid(from, length).toInt(&ok);
    return ok && text[from].isDigit();
}

} // namespace

QString CellText::number(double value)
{
    if (!std::isfinite(value))
        return value != value ? QStringLiteral("NaN") : QString(value > 0 ? "INF" : "-INF");
    if (value == 0)
        return QStringLiteral("0");
    std::array<char, 64> buffer{};
    const double magnitude = std::fabs(value);
    // Plain digits for the numbers a sheet shows as such; an exponent past them.
    const std::chars_format form = magnitude >= 1e-5 && magnitude < 1e16
                                       ? std::chars_format::fixed
                                       : std::chars_format::general;
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, form);
    if (error != std::errc())
        return QString::number(value, 'g', 17);
    return QString::fromLatin1(buffer.data(), end - buffer.data());
}

bool CellText::isDateFormat(QStringView formatCode)
{
    bool quoted = false;
    bool bracket = false;
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode[i];
        if (c == u';' && !quoted)
            break;
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\\')
            ++i;
        else if (c == u'[')
            bracket = true;
        else if (c == u']')
            bracket = false;
        else if (!bracket && QStringLiteral("ymdhsYMDHS").contains(c))
            return true;
        else if (bracket && QStringLiteral("hmsHMS").contains(c) && i > 0 &&
                 formatCode[i - 1] == u'[')
            return true;
    }
    return false;
}

std::optional<QString> CellText::builtInDateFormat(int formatId)
{
    switch (formatId) {
    case 14:
        return QStringLiteral("yyyy-mm-dd");
    case 15:
        return QStringLiteral("d-mmm-yy");
    case 16:
        return QStringLiteral("d-mmm");
    case 17:
        return QStringLiteral("mmm-yy");
    case 18:
        return QStringLiteral("h:mm AM/PM");
    case 19:
        return QStringLiteral("h:mm:ss AM/PM");
    case 20:
        return QStringLiteral("h:mm");
    case 21:
        return QStringLiteral("h:mm:ss");
    case 22:
        return QStringLiteral("yyyy-mm-dd h:mm");
    case 45:
        return QStringLiteral("mm:ss");
    case 46:
        return QStringLiteral("[h]:mm:ss");
    case 47:
        return QStringLiteral("mm:ss.0");
    default:
        return std::nullopt;
    }
}

std::optional<CellText::DateTime> CellText::fromSerial(double serial, bool from1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 3e6)
        return std::nullopt;
    const qint64 seconds = qint64(std::llround(serial * 86400.0));
    qint64 days = seconds / 86400;
    const qint64 rest = seconds % 86400;
    using namespace std::chrono;
    sys_days base =
        from1904 ? sys_days(year(1904) / January / 1) : sys_days(year(1899) / December / 30);
    // The 1900 count takes 1900 for a leap year: its days before March are one off.
    if (!from1904 && days > 0 && days < 60)
        ++days;
    const year_month_day ymd(base + std::chrono::days(days));
    if (int(ymd.year()) < 1 || int(ymd.year()) > 9999)
        return std::nullopt;
    return DateTime{int(ymd.year()),  int(unsigned(ymd.month())), int(unsigned(ymd.day())),
                    int(rest / 3600), int(rest / 60 % 60),        int(rest % 60)};
}

std::optional<CellText::DateTime> CellText::fromIso(QStringView text)
{
    DateTime when;
    if (text.size() < 10 || text[4] != u'-' || text[7] != u'-' ||
        !readInt(text, 0, 4, &when.year) || !readInt(text, 5, 2, &when.month) ||
        !readInt(text, 8, 2, &when.day))
        return std::nullopt;
    if (text.size() >= 19 && text[10] == u'T') {
        if (!readInt(text, 11, 2, &when.hour) || !readInt(text, 14, 2, &when.minute) ||
            !readInt(text, 17, 2, &when.second))
            return std::nullopt;
    }
    using namespace std::chrono;
    const year_month_day ymd(year(when.year), month(unsigned(when.month)), day(unsigned(when.day)));
    if (!ymd.ok() || when.hour > 23 || when.minute > 59 || when.second > 60)
        return std::nullopt;
    return when;
}

std::optional<CellText::DateTime> CellText::fromIsoTime(QStringView text)
{
    if (!text.startsWith(u"PT"))
        return std::nullopt;
    DateTime when;
    double number = 0;
    qsizetype start = 2;
    for (qsizetype i = 2; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit.isDigit() || unit == u'.')
            continue;
        bool ok = false;
        number = text.mid(start, i - start).toDouble(&ok);
        if (!ok)
            return std::nullopt;
        if (unit == u'H')
            when.hour = int(number);
        else if (unit == u'M')
            when.minute = int(number);
        else if (unit == u'S')
            when.second = int(std::lround(number));
        else
            return std::nullopt;
        start = i + 1;
    }
    if (when.hour > 23 || when.minute > 59 || when.second > 59)
        return std::nullopt;
    return when;
}

QString CellText::dateTime(const DateTime& when, QStringView formatCode)
{
    const std::optional<std::vector<FormatPiece>> pieces =
        formatCode.isEmpty() ? std::nullopt : datePieces(formatCode);
    if (!pieces) {
        bool hasDate = false;
        bool hasTime = false;
        const QString lower = formatCode.toString().toLower();
        for (const QChar c : lower) {
            hasDate = hasDate || c == u'y' || c == u'd';
            hasTime = hasTime || c == u'h' || c == u's';
        }
        // Without a format a date shows its time of day only when it has one.
        if (!hasDate && !hasTime) {
            hasDate = true;
            hasTime = when.hour != 0 || when.minute != 0 || when.second != 0;
        }
        const QString date =
            padded(when.year, 4) + u'-' + padded(when.month, 2) + u'-' + padded(when.day, 2);
        const QString time =
            padded(when.hour, 2) + u':' + padded(when.minute, 2) + u':' + padded(when.second, 2);
        if (hasDate && hasTime)
            return date + u'T' + time;
        return hasDate ? date : time;
    }
    QString text;
    for (const FormatPiece& piece : *pieces) {
        const int n = piece.length;
        switch (piece.letter.unicode()) {
        case 0:
            text += piece.literal;
            break;
        case 'y':
            text += n <= 2 ? padded(when.year % 100, 2) : padded(when.year, 4);
            break;
        case 'm': {
            const QString name = QString::fromLatin1(kMonthNames[size_t(when.month - 1)]);
            text += n == 1   ? QString::number(when.month)
                    : n == 2 ? padded(when.month, 2)
                    : n == 3 ? name.left(3)
                    : n == 4 ? name
                             : name.left(1);
            break;
        }
        case 'd':
            text += padded(when.day, n);
            break;
        case 'h':
            text += padded(when.hour, n);
            break;
        case 'M':
            text += padded(when.minute, n);
            break;
        case 's':
            text += padded(when.second, n);
            break;
        default:
            break;
        }
    }
    return text;
}

} // namespace quillory
