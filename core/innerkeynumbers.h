#pragma once

#include "core/fieldkey.h"

#include <unordered_map>
#include <vector>

namespace quillory {

// The numbers in use as inner keys, kept beside the field list so that finding the lowest free
// one does not scan every key again: adding thousands of fields stays linear.
class InnerKeyNumbers
{
public:
    void reset(const std::vector<FieldKey>& keys);
    void add(const QString& innerKey);
    void remove(const QString& innerKey);
    // The lowest number from 1 whose text is no inner key.
    int lowestUnused();

private:
    // Counts, since a damaged file may repeat an inner key.
    std::unordered_map<int, int> m_used;
    int m_lowestCandidate = 1;
};

} // namespace quillory
