#include "core/substitutioncontext.h"

#include "core/document.h"
#include "templates/tagsubstitution.h"

namespace quillory {

SubstitutionContext SubstitutionContext::fromDocument(const Document& doc)
{
    SubstitutionContext c;
    const auto& keys = doc.keyArray();
    for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i) {
        c.m_tags.append(Document::tagFromKey(keys[i].publicKey));
        c.m_innerKeys.append(keys[i].innerKey);
    }
    c.m_format = doc.counterFormat();
    c.m_maxNum = doc.maxNumInDbField1();
    c.m_clock = doc.clock();
    return c;
}

QString SubstitutionContext::counterText(const Record& rec) const
{
    if (!rec)
        return {};
    const Value* counter = rec->find(kCounterKey);
    if (!counter || !counter->isNumber())
        return {};
    return CounterText::format(counter->toInteger(), m_maxNum, m_format);
}

std::optional<QString> SubstitutionContext::fieldTags(const std::optional<QString>& tmpl,
                                                      const Record& rec) const
{
    if (!tmpl || tmpl->isEmpty())
        return std::nullopt;
    // Every tag starts with "<": a template without one has nothing to look up.
    if (!tmpl->contains(u'<'))
        return tmpl;
    QStringList values;
    values.reserve(m_innerKeys.size());
    for (const QString& key : m_innerKeys) {
        const Value* v = rec ? rec->find(key) : nullptr;
        values.append(v ? v->toText() : QString());
    }
    return TagSubstitution::substituteFieldTags(tmpl, m_tags, values, counterText(rec));
}

std::optional<QString> SubstitutionContext::standardTags(const std::optional<QString>& tmpl) const
{
    if (!tmpl || tmpl->isEmpty())
        return std::nullopt;
    return TagSubstitution::substituteStandardTags(tmpl, m_clock);
}

std::optional<QString> SubstitutionContext::bothTags(const std::optional<QString>& tmpl,
                                                     const Record& rec) const
{
    return standardTags(fieldTags(tmpl, rec));
}

} // namespace quillory
