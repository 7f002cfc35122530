#include "prototypes/unknowntags.h"

#include "core/document.h"
#include "prototypes/tagchoices.h"

#include <QRegularExpression>

#include <algorithm>

namespace quillory {

namespace {

void addOnce(QStringList& found, const QStringList& tags)
{
    for (const QString& tag : tags)
        if (!found.contains(tag))
            found << tag;
}

// What is left of a tag when case, accents and spaces inside its brackets no longer count.
QString loose(const QString& tag)
{
    QString folded;
    for (QChar c : tag.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    return folded.toCaseFolded().remove(u' ');
}

} // namespace

std::optional<QString> UnknownTags::likelyMeant(const QStringList& knownTags, const QString& tag)
{
    const QString wanted = loose(tag);
    std::optional<QString> meant;
    for (const QString& k : knownTags) {
        if (loose(k) != wanted)
            continue;
        if (meant)
            return std::nullopt;
        meant = k;
    }
    return meant;
}

QStringList UnknownTags::knownTags(const Document& doc, bool withRecordTags)
{
    QStringList tags = TagChoices::dateAndTime();
    if (withRecordTags)
        tags = TagChoices::ofRecord(doc) + tags;
    std::stable_sort(tags.begin(), tags.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return tags;
}

std::vector<UnknownTags::Span> UnknownTags::spans(const QStringList& knownTags, const QString& text)
{
    static const QRegularExpression tag(QStringLiteral("<[^<>\\n]+>"));
    std::vector<Span> found;
    qsizetype at = text.indexOf(u'<');
    while (at >= 0) {
        // Known tags go first, so a field name holding "<" or ">" is never half-matched;
        // knownTags lists the longest first.
        const auto known = std::find_if(knownTags.begin(), knownTags.end(), [&](const QString& k) {
            return !k.isEmpty() && QStringView(text).sliced(at).startsWith(k);
        });
        qsizetype length = 0;
        if (known != knownTags.end()) {
            length = known->size();
            found.push_back({at, length, true});
        } else if (const QRegularExpressionMatch m =
                       tag.match(text, at, QRegularExpression::NormalMatch,
                                 QRegularExpression::AnchorAtOffsetMatchOption);
                   m.hasMatch()) {
            length = m.capturedLength();
            found.push_back({at, length, false});
        }
        at = text.indexOf(u'<', at + std::max<qsizetype>(length, 1));
    }
    return found;
}

QStringList UnknownTags::inText(const QStringList& knownTags, const QString& text)
{
    QStringList found;
    for (const Span& s : spans(knownTags, text))
        if (!s.known && !found.contains(text.mid(s.start, s.length)))
            found << text.mid(s.start, s.length);
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

QStringList UnknownTags::inItem(const Document& doc, const GeneratedItem& item,
                                const Prototype* proto)
{
    const QStringList all = knownTags(doc);
    const QStringList withoutRecord = knownTags(doc, false);
    QStringList found;
    addOnce(found, inText(item.isMulti ? all : withoutRecord, item.path));
    if (item.isFolder || !proto)
        return found;
    if (proto->isMulti)
        addOnce(found, inText(all, proto->text));
    else
        for (TemplateKey key :
             {TemplateKey::Head, TemplateKey::Text, TemplateKey::Separator, TemplateKey::Foot})
            addOnce(
                found,
                inText(key == TemplateKey::Head || key == TemplateKey::Foot ? withoutRecord : all,
                       templateText(*proto, key)));
    return found;
}

} // namespace quillory
