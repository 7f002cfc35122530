#pragma once

#include "core/record.h"

#include <QtGlobal>

#include <optional>
#include <vector>

namespace quillory {

// What the document keeps about all of its records: whether any is checked, and the largest
// counter among them. Summaries of parts combine, so a large batch of new records can be summed
// up where it was made, off the window's thread, and joined to the stored records' summary.
struct RecordSummary
{
    bool anyChecked = false;
    // None when no record holds a number under the counter key.
    std::optional<qint64> largestCounter;

    static RecordSummary of(const std::vector<Record>& records);
    void include(const RecordSummary& other);
};

} // namespace quillory
