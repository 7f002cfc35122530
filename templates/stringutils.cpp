#include "templates/stringutils.h"

namespace quillory {

namespace {

QString trimmedOf(const QString& s, QChar c)
{
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && s.at(start) == c)
        ++start;
    while (end > start && s.at(end - 1) == c)
        --end;
    if (start == 0 && end == s.size())
        return s;
    return s.mid(start, end - start);
}

bool isHorizontalWhiteSpace(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

QString StringUtils::trimLateralSpace(const QString& s)
{
    return trimmedOf(s, u' ');
}

bool StringUtils::hasNonSpaceText(const std::optional<QString>& s)
{
    return s && !trimmedOf(*s, u' ').isEmpty();
}

QString StringUtils::trimLateralQuote(const QString& s)
{
    return trimmedOf(s, u'"');
}

std::optional<QString> StringUtils::removeInitialSpaces(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (!isHorizontalWhiteSpace(s.at(i)))
            return s.mid(i);
    }
    return std::nullopt;
}

QString StringUtils::padWithLeadingZeros(const QString& s, qint64 totalLen)
{
    if (totalLen <= s.size())
        return s;
    return QString(qsizetype(totalLen - s.size()), u'0') + s;
}

QString StringUtils::keepOnly(const QString& s, const QString& chars)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (chars.contains(c))
            out.append(c);
    }
    return out;
}

QString StringUtils::removeCharacters(const QString& s, const std::function<bool(QChar)>& inSet)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (!inSet(c))
            out.append(c);
    }
    return out;
}

QString StringUtils::stripNewLines(const QString& s)
{
    QString out = s;
    out.remove(QStringLiteral("\n\r"));
    out.remove(u'\n');
    out.remove(u'\r');
    return out;
}

QString StringUtils::elideToFit(const QString& s, int pixelLength,
                                const std::function<int(const QString&)>& measure)
{
    if (measure(s) <= pixelLength)
        return s;
    const QString dots = QStringLiteral("..");
    QString text = s;
    for (;;) {
        if (measure(text + dots) <= pixelLength)
            break;
        const qsizetype n = text.size();
        const bool lastIsPair =
            n >= 2 && text.at(n - 1).isLowSurrogate() && text.at(n - 2).isHighSurrogate();
        // Fewer than two characters left, a surrogate pair counting as one.
        if (n < 2 || (n == 2 && lastIsPair))
            break;
        // Cutting a surrogate pair in half would leave malformed text.
        text.chop(lastIsPair ? 2 : 1);
    }
    return text + dots;
}

} // namespace quillory
