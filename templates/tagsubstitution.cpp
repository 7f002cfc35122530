#include "templates/tagsubstitution.h"

#include <algorithm>
#include <iterator>

namespace quillory {

namespace {

QString twoDigits(int n)
{
    return QString::asprintf("%02i", n);
}

// Formats the replacement only when the tag occurs: most templates hold few date tags.
template <typename Format> void replaceTag(QString& text, QStringView tag, Format format)
{
    if (!text.contains(tag, Qt::CaseSensitive))
        return;
    const QString value = format();
    text.replace(tag.data(), tag.size(), value.constData(), value.size(), Qt::CaseSensitive);
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
    if (!tmpl || tmpl->isEmpty())
        return std::nullopt;
    // Every tag starts with "<", and only a value can bring one in, so a template without
    // one is returned without being searched once per field.
    if (!tmpl->contains(u'<'))
        return tmpl;
    QString w = *tmpl;
    for (qsizetype i = 0; i < tags.size(); ++i) {
        // An empty pattern would insert the value between every two characters.
        if (!tags.at(i).isEmpty() && w.contains(tags.at(i), Qt::CaseSensitive))
            w.replace(tags.at(i), valueAt(i), Qt::CaseSensitive);
    }
    if (w.contains(u"<#>", Qt::CaseSensitive))
        w.replace(QStringLiteral("<#>"), counter(), Qt::CaseSensitive);
    return w;
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
    replaceTag(w, u"<YY>", [&] { return QString::number(d.year()); });
    replaceTag(w, u"<Y>", [&] { return twoDigits(d.year() % 100); });
    replaceTag(w, u"<M>", [&] { return twoDigits(d.month()); });
    replaceTag(w, u"<D>", [&] { return twoDigits(d.day()); });
    replaceTag(w, u"<h>", [&] { return twoDigits(t.hour()); });
    replaceTag(w, u"<m>", [&] { return twoDigits(t.minute()); });
    replaceTag(w, u"<s>", [&] { return twoDigits(t.second()); });
    return w;
}

std::optional<QString>
TagSubstitution::substituteStandardTags(const std::optional<QString>& tmpl,
                                        const std::function<QDateTime()>& clock)
{
    if (!tmpl || tmpl->isEmpty())
        return std::nullopt;
    static const QStringView tags[] = {u"<YY>", u"<Y>", u"<M>", u"<D>", u"<h>", u"<m>", u"<s>"};
    // Reading the clock costs more than the search, and most templates hold no date tag.
    const bool any =
        tmpl->contains(u'<') && std::any_of(std::begin(tags), std::end(tags), [&](QStringView tag) {
            return tmpl->contains(tag, Qt::CaseSensitive);
        });
    if (!any)
        return tmpl;
    return substituteStandardTags(tmpl, clock ? clock() : QDateTime::currentDateTime());
}

QString TagSubstitution::dateTagElaborated(const std::optional<QString>& text, const QDateTime& now)
{
    if (!text)
        return QString();
    if (!text->contains(u'<'))
        return *text;
    const QDate d = now.date();
    const QTime t = now.time();
    QString w = *text;
    replaceTag(w, u"<yy>", [&] { return twoDigits(d.year() % 100); });
    replaceTag(w, u"<YY>", [&] { return QString::number(d.year()); });
    replaceTag(w, u"<mm>", [&] { return twoDigits(d.month()); });
    replaceTag(w, u"<dd>", [&] { return twoDigits(d.day()); });
    replaceTag(w, u"<hh>", [&] { return twoDigits(t.hour()); });
    replaceTag(w, u"<ii>", [&] { return twoDigits(t.minute()); });
    replaceTag(w, u"<ss>", [&] { return twoDigits(t.second()); });
    return w;
}

QStringList TagSubstitution::standardTags()
{
    return {QStringLiteral("<YY>"), QStringLiteral("<Y>"), QStringLiteral("<M>"),
            QStringLiteral("<D>"),  QStringLiteral("<h>"), QStringLiteral("<m>"),
            QStringLiteral("<s>")};
}

} // namespace quillory
