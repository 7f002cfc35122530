#pragma once

#include "templates/expandedtext.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillory {

// The tag language: field tags from one record, and the date and time tags.
class TagSubstitution
{
public:
    // Replaces tags[i] by values[i] ("" where values is shorter) for i in order, then "<#>" by
    // counterText. Matching is exact and case-sensitive; text put in for a tag is not searched
    // again for that tag, but later tags search it. None for a none or empty template.
    static std::optional<QString> substituteFieldTags(const std::optional<QString>& tmpl,
                                                      const QStringList& tags,
                                                      const QStringList& values,
                                                      const QString& counterText);
    // The same, asking for a value only when its tag occurs: valueAt(i) for tags[i], counter()
    // for "<#>". A run calls this once per record and template.
    static std::optional<QString>
    substituteFieldTags(const std::optional<QString>& tmpl, const QStringList& tags,
                        const std::function<QString(qsizetype)>& valueAt,
                        const std::function<QString()>& counter);
    // "<YY>", "<Y>", "<M>", "<D>", "<h>", "<m>", "<s>", in that order, from the date and time
    // of now as it reads in its own time zone (callers pass local time). None for a none or
    // empty template.
    static std::optional<QString> substituteStandardTags(const std::optional<QString>& tmpl,
                                                         const QDateTime& now);
    // The same, reading the clock once and only when the text holds a date or time tag.
    static std::optional<QString> substituteStandardTags(const std::optional<QString>& tmpl,
                                                         const std::function<QDateTime()>& clock);
    // The same substitutions, refused rather than grown past ExpandedText::kMaxLength; the
    // functions above give none for a refused text. Time is linear in the texts made.
    static ExpandedText expandFieldTags(const std::optional<QString>& tmpl, const QStringList& tags,
                                        const std::function<QString(qsizetype)>& valueAt,
                                        const std::function<QString()>& counter);
    static ExpandedText expandStandardTags(const std::optional<QString>& tmpl,
                                           const std::function<QDateTime()>& clock);
    // Replaces every tag in text by value in one pass, left to right; false, leaving text as
    // it was, when the result would be longer than limit.
    static bool replaceAll(QString& text, QStringView tag, QStringView value, qsizetype limit);
    // A field's tag: its name between "<" and ">".
    static QString tagFromKey(const QString& name);
};

} // namespace quillory
