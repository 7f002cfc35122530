#pragma once

#include "core/dict.h"

namespace quillory {

// A record is a dictionary keyed by inner keys: "1" the counter (signed 64-bit integer),
// "2" the checked mark (boolean), one text per user field. Records are identified by
// object identity, so they are always held through this shared pointer.
using Record = DictPtr;

} // namespace quillory
