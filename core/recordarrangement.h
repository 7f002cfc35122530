#pragma once

#include "core/record.h"

#include <QString>

#include <optional>
#include <vector>

namespace quillory {

class Document;

// How a record table is sorted by the user: by one field, numbers by value and texts in
// natural order ("C2" before "C10"), case-insensitively.
struct RecordSort
{
    QString innerKey;
    bool ascending = true;
    bool operator==(const RecordSort&) const = default;
};

// Which records a table lists and in what order: those that pass the search, in the user's
// sort. The commands that act on "the listed records" (checks, renumbering, deleting the
// checked ones) take them from here, so that they act on what the user sees.
struct RecordArrangement
{
    QString search;
    std::optional<RecordSort> sort;

    // Whether the search lists r: some user field's text holds the search text, in any case
    // and with or without accents ("amelie" finds "Amélie"). With no search every record
    // passes; with no user field none does.
    bool passes(const Document& doc, const Record& r) const;
    // The listed records in the sort's order.
    std::vector<Record> arrange(const Document& doc) const;
    // Whether arrange gives the stored records in their stored order.
    bool isStoredOrder() const { return !sort && search.isEmpty(); }
    // The largest counter among the listed records (0 for none).
    qint64 largestCounter(const Document& doc) const;

    static std::vector<Record> sorted(std::vector<Record> records, const RecordSort& sort);
};

} // namespace quillory
