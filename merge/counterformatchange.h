#pragma once

#include <QString>

namespace quillory {

// Which user defaults shape the counter texts: a change of one of them redraws every counter
// and the example name or preview on show.
class CounterFormatChange
{
public:
    // Whether key is one of "useLeading0ForField1", "forceLeading0ForField1",
    // "forcedTotLenField1".
    static bool concerns(const QString& key);
};

} // namespace quillory
