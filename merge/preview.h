#pragma once

#include "core/generateditem.h"
#include "core/prototype.h"
#include "core/record.h"

#include <QString>

#include <optional>

namespace quillory {

class Document;

// The preview of one generated item: its expanded name and the content its Prototype would
// receive, computed as a run would, without creating anything.
class Preview
{
public:
    // None without an item; otherwise the item's path (after the destination folder when
    // fullPath), field-substituted with record for a One per Record item, then
    // standard-substituted.
    static std::optional<QString> name(const Document& doc,
                                       const std::optional<GeneratedItem>& item,
                                       const Record& record, bool fullPath);
    // The content of proto: One per Record with record, All in One over all records in stored
    // order. None for no Prototype; a text too large to make says so.
    static std::optional<QString> content(const Document& doc, const PrototypePtr& proto,
                                          const Record& record);
};

} // namespace quillory
