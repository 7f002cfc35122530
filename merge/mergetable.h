#pragma once

#include "core/generateditem.h"

#include <optional>

namespace quillory {

class Document;

// The merge tab's table of generated items: choosing an item chooses the Prototype whose
// templates the tab edits.
class MergeTable
{
public:
    // Selects the Prototype at the item's originalPos (none when that position is stale),
    // then recomputes mergeNameOfFileExample. With no item the Prototype selection stays.
    static void mergeTableSelectionDidChange(Document& doc,
                                             const std::optional<GeneratedItem>& item);
};

} // namespace quillory
