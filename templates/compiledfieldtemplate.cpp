#include "templates/compiledfieldtemplate.h"

#include "templates/tagsubstitution.h"

#include <QHash>
#include <QVarLengthArray>

#include <algorithm>

namespace quillory {

CompiledFieldTemplate::CompiledFieldTemplate(const std::optional<QString>& tmpl,
                                             const QStringList& tags)
    : m_source(tmpl), m_tags(tags)
{
    compile();
}

// The field-by-field substitution replaces each tag everywhere, then the next, each search
// seeing what earlier steps put in. One pass over the template gives the same text when
//  - every tag is "<" name ">" with no "<" or ">" in the name: occurrences of two tags can
//    then never overlap, so the order of the steps does not matter;
//  - no "<" is left open right before a tag occurrence ("<<A>ame>"): a value put in there
//    could complete a tag of a later step;
//  - no value holds a "<" (checked for each record in apply).
void CompiledFieldTemplate::compile()
{
    if (!m_source || m_source->isEmpty())
        return;
    QHash<QString, qsizetype> byName;
    for (qsizetype i = 0; i < m_tags.size(); ++i) {
        const QString& tag = m_tags.at(i);
        if (tag.size() < 2 || !tag.startsWith(u'<') || !tag.endsWith(u'>'))
            return;
        const QString name = tag.mid(1, tag.size() - 2);
        if (name.contains(u'<') || name.contains(u'>'))
            return;
        // With two fields of one name the earlier one takes every occurrence.
        if (!byName.contains(name))
            byName.insert(name, i);
    }
    const QStringView text(*m_source);
    qsizetype literalStart = 0;
    qsizetype pos = 0;
    while (true) {
        const qsizetype open = text.indexOf(u'<', pos);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(u'>', open + 1);
        if (close < 0)
            break;
        const qsizetype nextOpen = text.indexOf(u'<', open + 1);
        if (nextOpen >= 0 && nextOpen < close) {
            pos = nextOpen; // this "<" starts no tag
            continue;
        }
        const QString name = text.sliced(open + 1, close - open - 1).toString();
        qsizetype hole = kNoHole;
        if (auto it = byName.constFind(name); it != byName.constEnd())
            hole = *it;
        else if (name == QLatin1String("#"))
            hole = kCounterHole;
        if (hole != kNoHole) {
            const QStringView literal = text.sliced(literalStart, open - literalStart);
            const qsizetype lastOpen = literal.lastIndexOf(u'<');
            if (lastOpen >= 0 && literal.indexOf(u'>', lastOpen) < 0) {
                m_pieces.clear();
                return;
            }
            m_pieces.push_back({literal.toString(), hole});
            literalStart = close + 1;
        }
        pos = close + 1;
    }
    m_pieces.push_back({text.sliced(literalStart).toString(), kNoHole});
    m_compiled = true;
}

std::optional<QString>
CompiledFieldTemplate::apply(const std::function<QString(qsizetype)>& valueAt,
                             const std::function<QString()>& counter) const
{
    return expand(valueAt, counter).text;
}

ExpandedText CompiledFieldTemplate::expand(const std::function<QString(qsizetype)>& valueAt,
                                           const std::function<QString()>& counter) const
{
    if (!m_compiled)
        return TagSubstitution::expandFieldTags(m_source, m_tags, valueAt, counter);
    if (m_pieces.size() == 1)
        return {m_source};
    // Each field's value and the counter are made once, however often their tags occur.
    QVarLengthArray<QString, 16> fieldValues(m_tags.size() + 1);
    QVarLengthArray<bool, 16> made(m_tags.size() + 1, false);
    const qsizetype counterSlot = m_tags.size();
    QVarLengthArray<const QString*, 32> values(qsizetype(m_pieces.size()), nullptr);
    qsizetype length = 0;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        const Piece& piece = m_pieces[i];
        length += piece.literal.size();
        if (piece.hole == kNoHole)
            continue;
        const qsizetype slot = piece.hole == kCounterHole ? counterSlot : piece.hole;
        if (!made[slot]) {
            made[slot] = true;
            fieldValues[slot] = slot == counterSlot ? counter() : valueAt(slot);
            // A value with a "<" may complete a tag for a later step: take the long road.
            if (fieldValues[slot].contains(u'<'))
                return TagSubstitution::expandFieldTags(m_source, m_tags, valueAt, counter);
        }
        values[qsizetype(i)] = &fieldValues[slot];
        length += fieldValues[slot].size();
        if (length > ExpandedText::kMaxLength)
            return ExpandedText::refused();
    }
    // Sized once and filled by copying: this runs for every record and template of a run.
    QString out(length, Qt::Uninitialized);
    QChar* dst = out.data();
    const auto copy = [&dst](const QString& piece) {
        std::copy_n(piece.constData(), piece.size(), dst);
        dst += piece.size();
    };
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        copy(m_pieces[i].literal);
        if (values[qsizetype(i)])
            copy(*values[qsizetype(i)]);
    }
    return {std::move(out)};
}

} // namespace quillory
