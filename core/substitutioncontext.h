#pragma once

#include "core/record.h"
#include "templates/compiledfieldtemplate.h"
#include "templates/countertext.h"

#include <QDateTime>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

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
    // The same three, refused rather than grown past ExpandedText::kMaxLength (the functions
    // above give none for such a text).
    ExpandedText expandFieldTags(const std::optional<QString>& tmpl, const Record& rec) const;
    ExpandedText expandStandardTags(const std::optional<QString>& tmpl) const;
    ExpandedText expandBothTags(const std::optional<QString>& tmpl, const Record& rec) const;

private:
    // Templates prepared for the tags, found again by their text's storage: a run expands the
    // same few templates for every record. Shared by copies, guarded for use from two threads.
    struct TemplateCache
    {
        std::mutex mutex;
        std::vector<CompiledFieldTemplate> entries;
    };
    const CompiledFieldTemplate* compiled(const QString& tmpl) const;

    std::shared_ptr<TemplateCache> m_cache = std::make_shared<TemplateCache>();
    QStringList m_tags;
    QStringList m_innerKeys;
    CounterFormat m_format;
    qint64 m_maxNum = 0;
    std::function<QDateTime()> m_clock;
};

} // namespace quillory
