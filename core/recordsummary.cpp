#include "core/recordsummary.h"

#include "core/fieldkey.h"

#include <algorithm>

namespace quillory {

RecordSummary RecordSummary::of(const std::vector<Record>& records)
{
    RecordSummary summary;
    for (const Record& r : records) {
        if (!r)
            continue;
        if (!summary.anyChecked && r->value(kCheckedKey).toBool())
            summary.anyChecked = true;
        const Value counter = r->value(kCounterKey);
        if (counter.isNumber())
            summary.include({false, counter.toInteger()});
    }
    return summary;
}

void RecordSummary::include(const RecordSummary& other)
{
    anyChecked = anyChecked || other.anyChecked;
    if (other.largestCounter)
        largestCounter = largestCounter ? std::max(*largestCounter, *other.largestCounter)
                                        : *other.largestCounter;
}

} // namespace quillory
