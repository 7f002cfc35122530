#include "prototypes/tagrename.h"

#include "core/document.h"
#include "prototypes/unknowntags.h"
#include "templates/standardtags.h"
#include "templates/tagsubstitution.h"

#include <algorithm>

namespace quillory {

namespace {

constexpr TemplateKey kTemplates[] = {TemplateKey::Head, TemplateKey::Text, TemplateKey::Separator,
                                      TemplateKey::Foot};

bool holds(const QStringList& knownTags, const QString& text, const QString& tag)
{
    for (const UnknownTags::Span& s : UnknownTags::spans(knownTags, text))
        if (s.known && QStringView(text).sliced(s.start, s.length) == tag)
            return true;
    return false;
}

} // namespace

std::optional<QString> TagRename::ownTag(const Document& doc, int index)
{
    const auto& keys = doc.keyArray();
    if (index < kFirstUserKeyIndex || index >= int(keys.size()))
        return std::nullopt;
    return ownTag(doc, index, keys[size_t(index)].publicKey);
}

std::optional<QString> TagRename::ownTag(const Document& doc, int index, const QString& name)
{
    const auto& keys = doc.keyArray();
    if (index < kFirstUserKeyIndex || index >= int(keys.size()))
        return std::nullopt;
    const QString tag = TagSubstitution::tagFromKey(name);
    // A field named "#" or "YY" fills that tag first, yet it was written for the counter or
    // the year.
    if (tag == StandardTags::kCounter ||
        std::find(StandardTags::kDateAndTime.begin(), StandardTags::kDateAndTime.end(), tag) !=
            StandardTags::kDateAndTime.end())
        return std::nullopt;
    for (int i = kFirstUserKeyIndex; i < index; ++i)
        if (keys[size_t(i)].publicKey == name)
            return std::nullopt;
    return tag;
}

std::vector<PrototypePtr> TagRename::prototypesUsing(const Document& doc, const QString& tag)
{
    const QStringList known = UnknownTags::knownTags(doc);
    std::vector<PrototypePtr> found;
    for (const PrototypePtr& p : doc.universalFilePrototypeArray()) {
        bool uses = holds(known, p->path, tag);
        for (TemplateKey key : kTemplates)
            uses = uses || holds(known, templateText(*p, key), tag);
        if (uses)
            found.push_back(p);
    }
    return found;
}

QString TagRename::renamed(const QStringList& knownTags, const QString& text, const QString& from,
                           const QString& to)
{
    QString result;
    qsizetype done = 0;
    for (const UnknownTags::Span& s : UnknownTags::spans(knownTags, text)) {
        if (!s.known || QStringView(text).sliced(s.start, s.length) != from)
            continue;
        result += QStringView(text).sliced(done, s.start - done);
        result += to;
        done = s.start + s.length;
    }
    return result += QStringView(text).sliced(done);
}

} // namespace quillory
