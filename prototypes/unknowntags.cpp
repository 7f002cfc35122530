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

// The tags of proto's templates that a run writes as typed: only the templates its kind fills
// (a One per Record file its text alone), head and foot without a record.
void addKeptInTemplates(QStringList& found, const QStringList& all,
                        const QStringList& withoutRecord, const Prototype& proto)
{
    if (proto.isMulti) {
        addOnce(found, UnknownTags::inText(all, proto.text));
        return;
    }
    for (TemplateKey key :
         {TemplateKey::Head, TemplateKey::Text, TemplateKey::Separator, TemplateKey::Foot})
        addOnce(found, UnknownTags::inText(key == TemplateKey::Head || key == TemplateKey::Foot
                                               ? withoutRecord
                                               : all,
                                           templateText(proto, key)));
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
    const QStringList all = knownTags(doc);
    const QStringList withoutRecord = knownTags(doc, false);
    std::vector<Found> found;
    const auto& prototypes = doc.universalFilePrototypeArray();
    for (size_t i = 0; i < prototypes.size(); ++i) {
        const Prototype& p = *prototypes[i];
        QStringList kept = inText(p.isMulti ? all : withoutRecord, p.path);
        if (!p.isFolder)
            addKeptInTemplates(kept, all, withoutRecord, p);
        for (const QString& tag : kept)
            found.push_back({qsizetype(i), tag});
    }
    return found;
}

QStringList UnknownTags::inItem(const Document& doc, const GeneratedItem& item,
                                const Prototype* proto)
{
    const QStringList all = knownTags(doc);
    const QStringList withoutRecord = knownTags(doc, false);
    QStringList found = inText(item.isMulti ? all : withoutRecord, item.path);
    if (!item.isFolder && proto)
        addKeptInTemplates(found, all, withoutRecord, *proto);
    return found;
}

} // namespace quillory
