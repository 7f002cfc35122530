#include "prototypes/examplename.h"

#include "core/document.h"
#include "prototypes/destinationpath.h"

namespace quillory {

void ExampleName::recalcOneNameOfFile(Document& doc)
{
    const PrototypePtr proto = doc.oneSelectedPrototype();
    // An empty template gives no example at all, not a bare destination folder.
    const std::optional<QString> name =
        proto ? doc.substituteStandardTags(proto->path) : std::nullopt;
    if (!name) {
        doc.oneNameOfFileExample = std::nullopt;
        return;
    }
    const std::optional<QString> folder = DestinationPath::path(doc);
    if (doc.oneNameOfFileExampleUsesFullPath && folder)
        doc.oneNameOfFileExample = DestinationPath::join(*folder, *name);
    else
        doc.oneNameOfFileExample = name;
}

void ExampleName::recalcMultiNameOfFile(Document& doc)
{
    const PrototypePtr proto = doc.multiSelectedPrototype();
    const std::optional<QString> expanded =
        proto ? doc.substituteFieldTags(proto->path, doc.allDataSelectedRecord()) : std::nullopt;
    if (!expanded) {
        doc.multiNameOfFileExample = std::nullopt;
        return;
    }
    QString name = *expanded;
    const std::optional<QString> folder = DestinationPath::path(doc);
    if (doc.multiNameOfFileExampleUsesFullPath && folder)
        name = DestinationPath::join(*folder, name);
    // Unlike the All in One case the folder is joined first, so it takes part in the standard
    // substitution as the run's name does.
    doc.multiNameOfFileExample = doc.substituteStandardTags(name);
}

void ExampleName::recalcMergeNameOfFile(Document& doc)
{
    const std::optional<GeneratedItem> item = doc.mergeSelectedItem();
    if (!item || item->path.isEmpty()) {
        doc.mergeNameOfFileExample = std::nullopt;
        return;
    }
    const std::optional<QString> folder = DestinationPath::path(doc);
    if (doc.mergeNameOfFileExampleUsesFullPath && folder)
        doc.mergeNameOfFileExample = DestinationPath::join(*folder, item->path);
    else
        doc.mergeNameOfFileExample = item->path;
}

void ExampleName::oneNameOfFileExampleUsesFullPathSwitch(Document& doc)
{
    doc.oneNameOfFileExampleUsesFullPath = !doc.oneNameOfFileExampleUsesFullPath;
    recalcOneNameOfFile(doc);
}

void ExampleName::multiNameOfFileExampleUsesFullPathSwitch(Document& doc)
{
    doc.multiNameOfFileExampleUsesFullPath = !doc.multiNameOfFileExampleUsesFullPath;
    recalcMultiNameOfFile(doc);
}

void ExampleName::mergeNameOfFileExampleUsesFullPathSwitch(Document& doc)
{
    doc.mergeNameOfFileExampleUsesFullPath = !doc.mergeNameOfFileExampleUsesFullPath;
    recalcMergeNameOfFile(doc);
}

} // namespace quillory
