#pragma once

#include "core/record.h"
#include "templates/countertext.h"

#include <QDateTime>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillory {

class Document;

// Everything the tag substitutions read from a document, captured once: the user fields'
// tags and inner keys, the counter format and largest counter, and the clock. Copyable and
// safe to use off the main thread, so a run can work on it without touching the document.
class SubstitutionContext
{
public:
    SubstitutionContext() = default;
    static SubstitutionContext fromDocument(const Document& doc);

    std::optional<QString> fieldTags(const std::optional<QString>& tmpl, const Record& rec) const;
    std::optional<QString> standardTags(const std::optional<QString>& tmpl) const;
    // standard(field(tmpl, rec)), the order every One per Record name and content takes.
    std::optional<QString> bothTags(const std::optional<QString>& tmpl, const Record& rec) const;
    QString counterText(const Record& rec) const;

private:
    QStringList m_tags;
    QStringList m_innerKeys;
    CounterFormat m_format;
    qint64 m_maxNum = 0;
    std::function<QDateTime()> m_clock;
};

} // namespace quillory
