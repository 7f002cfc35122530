#include "prototypes/unknowntags.h"

#include "core/document.h"
#include "prototypes/tagchoices.h"

#include <QRegularExpression>

#include <algorithm>

namespace quillory {

QStringList UnknownTags::knownTags(const Document& doc)
{
    QStringList tags = TagChoices::ofRecord(doc) + TagChoices::dateAndTime();
    std::stable_sort(tags.begin(), tags.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return tags;
}

QStringList UnknownTags::inText(const QStringList& knownTags, const QString& text)
{
    if (!text.contains(u'<'))
        return {};
    static const QRegularExpression tag(QStringLiteral("<[^<>\\n]+>"));
    QString rest = text;
    // Known tags go first, so a field name holding "<" or ">" is never half-matched.
    for (const QString& k : knownTags)
        rest.replace(k, QStringLiteral("\n"));
    QStringList found;
    for (const auto& m : tag.globalMatch(rest))
        if (!found.contains(m.captured(0)))
            found << m.captured(0);
    return found;
}

std::vector<UnknownTags::Found> UnknownTags::inDocument(const Document& doc)
{
    const QStringList known = knownTags(doc);
    std::vector<Found> found;
    const auto& prototypes = doc.universalFilePrototypeArray();
    for (size_t i = 0; i < prototypes.size(); ++i) {
        const Prototype& p = *prototypes[i];
        // One text, so that each tag is told once per Prototype; line breaks end any tag.
        const QString text =
            p.path + u'\n' + p.head + u'\n' + p.text + u'\n' + p.separator + u'\n' + p.foot;
        for (const QString& tag : inText(known, text))
            found.push_back({qsizetype(i), tag});
    }
    return found;
}

} // namespace quillory
