#include "merge/mergetable.h"

#include "core/document.h"
#include "merge/generateditems.h"
#include "prototypes/examplename.h"

namespace quillory {

void MergeTable::mergeTableSelectionDidChange(Document& doc,
                                              const std::optional<GeneratedItem>& item)
{
    doc.setMergeSelectedItem(item);
    if (item)
        doc.setMergeSelectedPrototype(GeneratedItems::prototypeOf(doc, *item));
    ExampleName::recalcMergeNameOfFile(doc);
}

} // namespace quillory
