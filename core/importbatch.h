#pragma once

#include "core/record.h"
#include "core/recordsummary.h"

#include <vector>

namespace quillory {

// The records an import made, with their summary taken where they were made.
struct ImportBatch
{
    std::vector<Record> records;
    RecordSummary summary;

    static ImportBatch of(std::vector<Record> records)
    {
        RecordSummary summary = RecordSummary::of(records);
        return {std::move(records), summary};
    }
};

} // namespace quillory
