#include "merge/preview.h"

#include "core/document.h"
#include "core/substitutioncontext.h"
#include "merge/generateditems.h"
#include "prototypes/destinationpath.h"
#include "prototypes/mergecontent.h"

namespace quillory {

void Preview::recalcPreviewNameOfFile(Document& doc)
{
    const std::optional<GeneratedItem> item = doc.previewSelectedItem();
    if (!item) {
        doc.previewNameOfFile = std::nullopt;
        return;
    }
    std::optional<QString> name = item->path;
    const std::optional<QString> folder = DestinationPath::path(doc);
    if (doc.previewNameOfFileUsesFullPath && folder)
        name = DestinationPath::join(*folder, item->path);
    // The folder's path goes through the substitutions together with the item's path, as
    // the run's full path does.
    if (item->isMulti) {
        const ExpandedText expanded = SubstitutionContext::fromDocument(doc).expandFieldTags(
            name, doc.allDataSelectedRecord());
        if (expanded.tooLarge) {
            doc.previewNameOfFile = MergeContent::tooLargeMessage();
            return;
        }
        name = expanded.text;
    }
    doc.previewNameOfFile = doc.substituteStandardTags(name);
}

void Preview::previewNameOfFileUsesFullPathSwitch(Document& doc)
{
    doc.previewNameOfFileUsesFullPath = !doc.previewNameOfFileUsesFullPath;
    recalcPreviewNameOfFile(doc);
}

void Preview::recalcContentOfFile(Document& doc)
{
    const PrototypePtr proto = doc.previewSelectedPrototype();
    if (!proto)
        return;
    const SubstitutionContext ctx = SubstitutionContext::fromDocument(doc);
    const Result<QString> content =
        proto->isMulti
            ? MergeContent::checkedOneRecordContent(ctx, *proto, doc.allDataSelectedRecord())
            : MergeContent::checkedAllInOneContent(ctx, *proto, doc.dataArray());
    // A text too large to make is shown as such, not as an empty file.
    doc.previewContentOfFile = content ? *content : content.message();
}

void Preview::previewTableSelectionDidChange(Document& doc,
                                             const std::optional<GeneratedItem>& item)
{
    doc.setPreviewSelectedItem(item);
    if (item) {
        const PrototypePtr proto = GeneratedItems::prototypeOf(doc, *item);
        doc.setPreviewSelectedPrototype(proto);
        // Keeping the former content would show another Prototype's text under this name.
        if (!proto)
            doc.previewContentOfFile = std::nullopt;
    }
    recalcPreviewNameOfFile(doc);
    recalcContentOfFile(doc);
}

void Preview::previewDataTableSelectionDidChange(Document& doc, const Record& record)
{
    doc.setAllDataSelectedRecord(record);
    recalcPreviewNameOfFile(doc);
    recalcContentOfFile(doc);
}

} // namespace quillory
