#include "core/recordarrangement.h"

#include "core/document.h"

#include <QCollator>

#include <algorithm>

namespace quillory {

bool RecordArrangement::passes(const Document& doc, const Record& r) const
{
    if (search.isEmpty())
        return true;
    const std::vector<FieldKey>& keys = doc.keyArray();
    for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i) {
        const qsizetype at = r->indexOf(keys[i].innerKey);
        // Compared in place: a search runs over every value at each keystroke.
        if (at >= 0 && r->textContains(at, search, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

std::vector<Record> RecordArrangement::arrange(const Document& doc) const
{
    std::vector<Record> passing;
    if (search.isEmpty()) {
        passing = doc.dataArray();
    } else {
        passing.reserve(doc.dataArray().size());
        for (const Record& r : doc.dataArray())
            if (passes(doc, r))
                passing.push_back(r);
    }
    return sort ? sorted(std::move(passing), *sort) : passing;
}

qint64 RecordArrangement::largestCounter(const Document& doc) const
{
    bool any = false;
    qint64 best = 0;
    for (const Record& r : doc.dataArray()) {
        const Value v = r->value(kCounterKey);
        if (!v.isNumber() || !passes(doc, r))
            continue;
        const qint64 c = v.toInteger();
        if (!any || c > best) {
            best = c;
            any = true;
        }
    }
    return best;
}

std::vector<Record> RecordArrangement::sorted(std::vector<Record> records, const RecordSort& sort)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One sort key per record: comparing keys is far cheaper than collating the texts again
    // at every comparison of the sort.
    std::vector<std::pair<QCollatorSortKey, size_t>> keys;
    keys.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        // Case-folded first: some collators ignore case-insensitivity when making keys.
        keys.emplace_back(
            collator.sortKey(records[i]->value(sort.innerKey).toText().toCaseFolded()), i);
    const bool ascending = sort.ascending;
    std::stable_sort(keys.begin(), keys.end(), [ascending](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return ascending ? c < 0 : c > 0;
    });
    std::vector<Record> out;
    out.reserve(records.size());
    for (const auto& key : keys)
        out.push_back(std::move(records[key.second]));
    return out;
}

} // namespace quillory
