#pragma once

#include "core/generateditem.h"
#include "core/prototype.h"
#include "core/record.h"

#include <QString>

#include <optional>

namespace quillory {

class Document;

// The example names shown under the name fields of the files tab and above the template
// editors of the merge tab, computed when shown. fullPath puts the destination folder first
// (when one is chosen).
class ExampleName
{
public:
    // The standard substitution of an All in One path; none for no Prototype or an empty
    // path.
    static std::optional<QString> allInOne(const Document& doc, const PrototypePtr& proto,
                                           bool fullPath);
    // The field substitution of a One per Record path with record, the folder joined when
    // asked, then the standard substitution of the whole, as a run names it.
    static std::optional<QString> onePerRecord(const Document& doc, const PrototypePtr& proto,
                                               const Record& record, bool fullPath);
    // A generated item's unexpanded path.
    static std::optional<QString> ofItem(const Document& doc,
                                         const std::optional<GeneratedItem>& item, bool fullPath);
};

} // namespace quillory
