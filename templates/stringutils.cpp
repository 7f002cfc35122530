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

} // namespace quillory
