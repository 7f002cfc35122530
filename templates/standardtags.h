#pragma once

#include <QStringView>

#include <array>

// The tags every template may use besides the field tags: the one list the substitution, the
// tag menus and the unknown-tag check share.
namespace quillory::StandardTags {

// The record's counter, as the record tables show it.
inline constexpr QStringView kCounter = u"<#>";

// The date and time tags, in the order they are replaced (and offered): "<YY>" before "<Y>",
// so that the year's tag is never read as "<Y>" followed by "Y>".
enum DateTag { Year, ShortYear, Month, Day, Hour, Minute, Second };
inline constexpr std::array<QStringView, 7> kDateAndTime = {u"<YY>", u"<Y>", u"<M>", u"<D>",
                                                            u"<h>",  u"<m>", u"<s>"};

// What each date and time tag gives, by DateTag, as the tag menus describe it to a person.
inline constexpr std::array<QStringView, 7> kDateAndTimeMeanings = {
    u"year, 4 digits", u"year, 2 digits",   u"month, 01 to 12", u"day, 01 to 31",
    u"hour, 00 to 23", u"minute, 00 to 59", u"second, 00 to 59"};

// What the counter's tag gives.
inline constexpr QStringView kCounterMeaning = u"record counter";

// What tag gives when it is one of the tags above; empty for any other (a field's tag).
inline QStringView meaningOf(QStringView tag)
{
    if (tag == kCounter)
        return kCounterMeaning;
    for (size_t i = 0; i < kDateAndTime.size(); ++i)
        if (tag == kDateAndTime[i])
            return kDateAndTimeMeanings[i];
    return {};
}

} // namespace quillory::StandardTags
