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

} // namespace quillory::StandardTags
