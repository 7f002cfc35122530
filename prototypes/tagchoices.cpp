#include "prototypes/tagchoices.h"

#include "core/document.h"
#include "templates/standardtags.h"
#include "templates/tagsubstitution.h"

namespace quillory {

QStringList TagChoices::dateAndTime()
{
    QStringList tags;
    for (QStringView tag : StandardTags::kDateAndTime)
        tags << tag.toString();
    return tags;
}

QStringList TagChoices::ofRecord(const Document& doc)
{
    QStringList tags{StandardTags::kCounter.toString()};
    const auto& keys = doc.keyArray();
    for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i)
        tags << TagSubstitution::tagFromKey(keys[i].publicKey);
    return tags;
}

} // namespace quillory
