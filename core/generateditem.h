#pragma once

#include <QString>

namespace quillory {

// One folder or file that a run would create: the unexpanded relative path of one level of
// a Prototype's path, and the position of that Prototype in universalFilePrototypeArray.
struct GeneratedItem
{
    QString path;
    bool isFolder = false;
    bool isMulti = false;
    qint64 originalPos = 0;
    bool operator==(const GeneratedItem&) const = default;
};

} // namespace quillory
