#include "prototypes/examplename.h"

#include "core/document.h"
#include "core/substitutioncontext.h"
#include "prototypes/destinationpath.h"

namespace quillory {

std::optional<QString> ExampleName::allInOne(const Document& doc, const PrototypePtr& proto,
                                             bool fullPath)
{
    // An empty template gives no example at all, not a bare destination folder.
    const std::optional<QString> name =
        proto ? SubstitutionContext::fromDocument(doc).standardTags(proto->path) : std::nullopt;
    if (!name)
        return std::nullopt;
    const std::optional<QString> folder = DestinationPath::path(doc);
    return fullPath && folder ? DestinationPath::join(*folder, *name) : *name;
}

std::optional<QString> ExampleName::onePerRecord(const Document& doc, const PrototypePtr& proto,
                                                 const Record& record, bool fullPath)
{
    if (!proto)
        return std::nullopt;
    const SubstitutionContext context = SubstitutionContext::fromDocument(doc);
    const std::optional<QString> expanded = context.fieldTags(proto->path, record);
    if (!expanded)
        return std::nullopt;
    QString name = *expanded;
    const std::optional<QString> folder = DestinationPath::path(doc);
    if (fullPath && folder)
        name = DestinationPath::join(*folder, name);
    // Unlike the All in One case the folder is joined first, so it takes part in the standard
    // substitution as the run's name does.
    return context.standardTags(name);
}

std::optional<QString> ExampleName::ofItem(const Document& doc,
                                           const std::optional<GeneratedItem>& item, bool fullPath)
{
    if (!item || item->path.isEmpty())
        return std::nullopt;
    const std::optional<QString> folder = DestinationPath::path(doc);
    return fullPath && folder ? DestinationPath::join(*folder, item->path) : item->path;
}

} // namespace quillory
