#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillory {

// The tag language: field tags from one record, and the date and time tags.
class TagSubstitution
{
public:
    // Replaces tags[i] by values[i] for i in order, then "<#>" by counterText.
    // None for a none or empty template.
    static std::optional<QString> substituteFieldTags(const std::optional<QString>& tmpl,
                                                      const QStringList& tags,
                                                      const QStringList& values,
                                                      const QString& counterText);
    // "<YY>", "<Y>", "<M>", "<D>", "<h>", "<m>", "<s>" from now, in that order.
    static std::optional<QString> substituteStandardTags(const std::optional<QString>& tmpl,
                                                         const QDateTime& now);
    // The display transformer's spelling ("<yy>", "<YY>", "<mm>", "<dd>", "<hh>", "<ii>",
    // "<ss>"); "" for none.
    static QString dateTagElaborated(const std::optional<QString>& text, const QDateTime& now);
};

} // namespace quillory
