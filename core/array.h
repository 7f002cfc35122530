#pragma once

#include "core/value.h"

#include <vector>

namespace quillory {

// An ordered list of values (NSArray / NSMutableArray in the archive).
struct Array
{
    std::vector<Value> items;
    bool isMutable = true;

    static ArrayPtr make(std::vector<Value> items = {}, bool isMutable = true);
    bool operator==(const Array& other) const { return items == other.items; }
};

} // namespace quillory
