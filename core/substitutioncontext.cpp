#include "core/substitutioncontext.h"

#include "core/document.h"
#include "templates/tagsubstitution.h"

namespace quillory {

SubstitutionContext SubstitutionContext::fromDocument(const Document& doc)
{
    SubstitutionContext c;
    const auto& keys = doc.keyArray();
    for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i) {
        c.m_tags.append(TagSubstitution::tagFromKey(keys[i].publicKey));
        c.m_innerKeys.append(keys[i].innerKey);
    }
    c.m_format = doc.counterFormat();
    c.m_maxNum = doc.largestCounter();
    c.m_clock = doc.clock();
    return c;
}

QString SubstitutionContext::counterText(const Record& rec) const
{
    if (!rec)
        return {};
    const Value counter = rec->value(kCounterKey);
    if (!counter.isNumber())
        return {};
    return CounterText::format(counter.toInteger(), m_maxNum, m_format);
}

std::optional<QString> SubstitutionContext::fieldTags(const std::optional<QString>& tmpl,
                                                      const Record& rec) const
{
    return expandFieldTags(tmpl, rec).text;
}

ExpandedText SubstitutionContext::expandFieldTags(const std::optional<QString>& tmpl,
                                                  const Record& rec) const
{
    if (!tmpl || tmpl->isEmpty())
        return {};
    // Every tag starts with "<": a template without one has nothing to look up.
    if (!tmpl->contains(u'<'))
        return {tmpl};
    const auto valueAt = [&](qsizetype i) {
        return rec ? rec->text(m_innerKeys.at(i)) : QString();
    };
    const auto counter = [&] { return counterText(rec); };
    if (const CompiledFieldTemplate* prepared = compiled(*tmpl))
        return prepared->expand(valueAt, counter);
    return TagSubstitution::expandFieldTags(tmpl, m_tags, valueAt, counter);
}

const CompiledFieldTemplate* SubstitutionContext::compiled(const QString& tmpl) const
{
    // A handful of templates per run; more than this are expanded without preparing them.
    constexpr size_t kMaxTemplates = 64;
    std::lock_guard<std::mutex> lock(m_cache->mutex);
    for (const CompiledFieldTemplate& entry : m_cache->entries) {
        const QString& source = *entry.source();
        if (source.constData() == tmpl.constData() && source.size() == tmpl.size())
            return &entry;
    }
    if (m_cache->entries.size() >= kMaxTemplates)
        return nullptr;
    // Entries never move once made: the vector is reserved up front.
    if (m_cache->entries.capacity() < kMaxTemplates)
        m_cache->entries.reserve(kMaxTemplates);
    m_cache->entries.emplace_back(tmpl, m_tags);
    return &m_cache->entries.back();
}

std::optional<QString> SubstitutionContext::standardTags(const std::optional<QString>& tmpl) const
{
    return expandStandardTags(tmpl).text;
}

ExpandedText SubstitutionContext::expandStandardTags(const std::optional<QString>& tmpl) const
{
    if (!tmpl || tmpl->isEmpty())
        return {};
    return TagSubstitution::expandStandardTags(tmpl, m_clock);
}

std::optional<QString> SubstitutionContext::bothTags(const std::optional<QString>& tmpl,
                                                     const Record& rec) const
{
    return expandBothTags(tmpl, rec).text;
}

ExpandedText SubstitutionContext::expandBothTags(const std::optional<QString>& tmpl,
                                                 const Record& rec) const
{
    const ExpandedText fields = expandFieldTags(tmpl, rec);
    if (fields.tooLarge)
        return fields;
    return expandStandardTags(fields.text);
}

} // namespace quillory
