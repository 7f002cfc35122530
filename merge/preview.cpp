#include "merge/preview.h"

#include "core/document.h"
#include "core/substitutioncontext.h"
#include "prototypes/destinationpath.h"
#include "prototypes/mergecontent.h"

namespace quillory {

std::optional<QString> Preview::name(const Document& doc, const std::optional<GeneratedItem>& item,
                                     const Record& record, bool fullPath)
{
    if (!item)
        return std::nullopt;
    std::optional<QString> name = item->path;
    const std::optional<QString> folder = DestinationPath::path(doc);
    if (fullPath && folder)
        name = DestinationPath::join(*folder, item->path);
    const SubstitutionContext context = SubstitutionContext::fromDocument(doc);
    // The folder's path goes through the substitutions together with the item's path, as
    // the run's full path does.
    if (item->isMulti) {
        const ExpandedText expanded = context.expandFieldTags(name, record);
        if (expanded.tooLarge)
            return MergeContent::tooLargeMessage();
        name = expanded.text;
    }
    return context.standardTags(name);
}

std::optional<QString> Preview::content(const Document& doc, const PrototypePtr& proto,
                                        const Record& record)
{
    if (!proto)
        return std::nullopt;
    const SubstitutionContext context = SubstitutionContext::fromDocument(doc);
    const Result<QString> content =
        proto->isMulti ? MergeContent::checkedOneRecordContent(context, *proto, record)
                       : MergeContent::checkedAllInOneContent(context, *proto, doc.dataArray());
    // A text too large to make is shown as such, not as an empty file.
    return content ? *content : content.message();
}

} // namespace quillory
