#pragma once

#include <QString>

namespace quillory {

// One column's row in the import settings: where the column's values go.
struct ImportMappingRow
{
    // Index into the destination list (0: not imported).
    int destination = 0;
    // "»" when the column is imported, else "".
    QString importFlag;
    bool operator==(const ImportMappingRow&) const = default;
};

} // namespace quillory
