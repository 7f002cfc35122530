#pragma once

#include "core/generateditem.h"
#include "core/record.h"

#include <optional>

namespace quillory {

class Document;

// The preview tab: the expanded name of the selected generated item and the content its
// Prototype would receive, computed as a run would, without creating anything.
class Preview
{
public:
    // previewNameOfFile: none without a selected item; otherwise the item's path (after the
    // destination folder in full-path mode), field-substituted with the selected record for
    // a One per Record item, then standard-substituted.
    static void recalcPreviewNameOfFile(Document& doc);
    static void previewNameOfFileUsesFullPathSwitch(Document& doc);
    // previewContentOfFile: the content of the preview's selected Prototype, One per Record
    // with the selected record, All in One over all records in stored order. Left as it is
    // when no Prototype is selected.
    static void recalcContentOfFile(Document& doc);

    // The item table's selection changed: the item's Prototype becomes the previewed one
    // (none, and no content, when its position is stale), then name and content follow.
    static void previewTableSelectionDidChange(Document& doc,
                                               const std::optional<GeneratedItem>& item);
    // The record table's selection changed: name and content follow.
    static void previewDataTableSelectionDidChange(Document& doc, const Record& record);
};

} // namespace quillory
