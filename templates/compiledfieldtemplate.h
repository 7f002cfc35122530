#pragma once

#include "templates/expandedtext.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace quillory {

// A field template prepared once for many records. Where the template and the values allow
// it, expanding is one concatenation of literal pieces and values instead of one search per
// field; otherwise it falls back to the field-by-field substitution. Either way the result is
// exactly what TagSubstitution::substituteFieldTags gives.
class CompiledFieldTemplate
{
public:
    // tags are the user fields' tags in key order; the counter tag is "<#>".
    CompiledFieldTemplate(const std::optional<QString>& tmpl, const QStringList& tags);

    const std::optional<QString>& source() const { return m_source; }
    // Whether expanding can take the one-pass road (for tests).
    bool isCompiled() const { return m_compiled; }

    std::optional<QString> apply(const std::function<QString(qsizetype)>& valueAt,
                                 const std::function<QString()>& counter) const;
    // The same, refused past ExpandedText::kMaxLength (apply gives none then).
    ExpandedText expand(const std::function<QString(qsizetype)>& valueAt,
                        const std::function<QString()>& counter) const;

private:
    static constexpr qsizetype kCounterHole = -2;
    static constexpr qsizetype kNoHole = -1;
    struct Piece
    {
        QString literal;
        qsizetype hole = kNoHole; // the field index whose value follows, or kCounterHole
    };

    void compile();

    std::optional<QString> m_source;
    QStringList m_tags;
    bool m_compiled = false;
    std::vector<Piece> m_pieces;
};

} // namespace quillory
