#include "templates/tagsubstitution.h"

#include "templates/standardtags.h"

#include <QStringMatcher>

#include <algorithm>
#include <iterator>
#include <limits>

namespace quillory {

namespace {

QString twoDigits(int n)
{
    return QString::asprintf("%02i", n);
}

// Formats the replacement only when the tag occurs: most templates hold few date tags. Date
// tags never make a text longer, so no bound applies.
template <typename Format> void replaceTag(QString& text, QStringView tag, Format format)
{
    if (!text.contains(tag, Qt::CaseSensitive))
        return;
    TagSubstitution::replaceAll(text, tag, format(), std::numeric_limits<qsizetype>::max());
}

} // namespace

std::optional<QString> TagSubstitution::substituteFieldTags(const std::optional<QString>& tmpl,
                                                            const QStringList& tags,
                                                            const QStringList& values,
                                                            const QString& counterText)
{
    return substituteFieldTags(
        tmpl, tags, [&values](qsizetype i) { return i < values.size() ? values.at(i) : QString(); },
        [&counterText] { return counterText; });
}

std::optional<QString>
TagSubstitution::substituteFieldTags(const std::optional<QString>& tmpl, const QStringList& tags,
                                     const std::function<QString(qsizetype)>& valueAt,
                                     const std::function<QString()>& counter)
{
    return expandFieldTags(tmpl, tags, valueAt, counter).text;
}

ExpandedText TagSubstitution::expandFieldTags(const std::optional<QString>& tmpl,
                                              const QStringList& tags,
                                              const std::function<QString(qsizetype)>& valueAt,
                                              const std::function<QString()>& counter)
{
    if (!tmpl || tmpl->isEmpty())
        return {};
    // Every tag starts with "<", and only a value can bring one in, so a template without
    // one is returned without being searched once per field.
    if (!tmpl->contains(u'<'))
        return {tmpl};
    QString w = *tmpl;
    for (qsizetype i = 0; i < tags.size(); ++i) {
        // An empty pattern would insert the value between every two characters.
        if (!tags.at(i).isEmpty() && w.contains(tags.at(i), Qt::CaseSensitive) &&
            !replaceAll(w, tags.at(i), valueAt(i), ExpandedText::kMaxLength))
            return ExpandedText::refused();
    }
    if (w.contains(StandardTags::kCounter, Qt::CaseSensitive) &&
        !replaceAll(w, StandardTags::kCounter, counter(), ExpandedText::kMaxLength))
        return ExpandedText::refused();
    return {std::move(w)};
}

bool TagSubstitution::replaceAll(QString& text, QStringView tag, QStringView value, qsizetype limit)
{
    if (tag.isEmpty())
        return true;
    // One pass to size the result, one to build it: QString::replace moves the tail of the
    // text for each batch of matches, which is quadratic in a text of many matches.
    const QStringMatcher matcher(tag, Qt::CaseSensitive);
    qsizetype count = 0;
    for (qsizetype at = matcher.indexIn(text); at >= 0; at = matcher.indexIn(text, at + tag.size()))
        ++count;
    if (count == 0)
        return true;
    const qint64 size = qint64(text.size()) + qint64(count) * (value.size() - tag.size());
    if (size > qint64(limit))
        return false;
    QString out;
    out.reserve(qsizetype(size));
    qsizetype last = 0;
    for (qsizetype at = matcher.indexIn(text); at >= 0;
         at = matcher.indexIn(text, at + tag.size())) {
        out.append(QStringView(text).sliced(last, at - last));
        out.append(value);
        last = at + tag.size();
    }
    out.append(QStringView(text).sliced(last));
    text = std::move(out);
    return true;
}

std::optional<QString> TagSubstitution::substituteStandardTags(const std::optional<QString>& tmpl,
                                                               const QDateTime& now)
{
    if (!tmpl || tmpl->isEmpty())
        return std::nullopt;
    if (!tmpl->contains(u'<'))
        return tmpl;
    const QDate d = now.date();
    const QTime t = now.time();
    QString w = *tmpl;
    using namespace StandardTags;
    for (size_t tag = 0; tag < kDateAndTime.size(); ++tag)
        replaceTag(w, kDateAndTime[tag], [&] {
            switch (DateTag(tag)) {
            case Year:
                return QString::number(d.year());
            case ShortYear:
                return twoDigits(d.year() % 100);
            case Month:
                return twoDigits(d.month());
            case Day:
                return twoDigits(d.day());
            case Hour:
                return twoDigits(t.hour());
            case Minute:
                return twoDigits(t.minute());
            case Second:
                break;
            }
            return twoDigits(t.second());
        });
    return w;
}

ExpandedText TagSubstitution::expandStandardTags(const std::optional<QString>& tmpl,
                                                 const std::function<QDateTime()>& clock)
{
    // Date and time tags never lengthen a text: only a text already too long is refused.
    std::optional<QString> text = substituteStandardTags(tmpl, clock);
    if (text && text->size() > ExpandedText::kMaxLength)
        return ExpandedText::refused();
    return {std::move(text)};
}

std::optional<QString>
TagSubstitution::substituteStandardTags(const std::optional<QString>& tmpl,
                                        const std::function<QDateTime()>& clock)
{
    if (!tmpl || tmpl->isEmpty())
        return std::nullopt;
    const auto& tags = StandardTags::kDateAndTime;
    // Reading the clock costs more than the search, and most templates hold no date tag.
    const bool any =
        tmpl->contains(u'<') && std::any_of(tags.begin(), tags.end(), [&](QStringView tag) {
            return tmpl->contains(tag, Qt::CaseSensitive);
        });
    if (!any)
        return tmpl;
    return substituteStandardTags(tmpl, clock ? clock() : QDateTime::currentDateTime());
}

QString TagSubstitution::tagFromKey(const QString& name)
{
    return QLatin1Char('<') + name + QLatin1Char('>');
}

} // namespace quillory
