#pragma once

#include "core/fieldkey.h"
#include "core/importbatch.h"

#include <QString>

#include <vector>

namespace quillory {

// What an import needs of the document it fills: its fields, its counters, and the two changes
// an import makes (new fields, then all new records at once).
class ImportTarget
{
public:
    virtual ~ImportTarget() = default;
    // The field list, the built-in keys first.
    virtual const std::vector<FieldKey>& keyArray() const = 0;
    // The largest counter among the stored records; 0 when none has one.
    virtual qint64 largestStoredCounter() const = 0;
    // Makes a new user field (every record gets "" under it), named name unless that is blank;
    // returns its inner key.
    virtual QString insertField(const QString& name = {}) = 0;
    // Appends the imported records and ends the import: one change, no undo.
    virtual void appendImportedRecords(ImportBatch batch) = 0;
};

} // namespace quillory
