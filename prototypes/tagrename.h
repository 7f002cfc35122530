#pragma once

#include "core/prototype.h"

#include <QString>

#include <optional>
#include <vector>

namespace quillory {

class Document;

// Follows a field's rename in the Prototypes: its tag in their paths and templates is given
// the new name, so that what filled them before still fills them.
class TagRename
{
public:
    // The tag of the user field at index as the Prototypes use it. None when the tag is not
    // the field's own: a standard tag ("<#>", a date tag) or the name of an earlier field,
    // which fills that tag first.
    static std::optional<QString> ownTag(const Document& doc, int index);
    // The same for the field at index were it named name.
    static std::optional<QString> ownTag(const Document& doc, int index, const QString& name);
    // The listed Prototypes whose path or a template holds tag where a run finds it.
    static std::vector<PrototypePtr> prototypesUsing(const Document& doc, const QString& tag);
    // text with each tag `from`, where a run finds it among knownTags, made `to`.
    static QString renamed(const QStringList& knownTags, const QString& text, const QString& from,
                           const QString& to);
};

} // namespace quillory
