#pragma once

#include <QtGlobal>

#include <algorithm>
#include <utility>
#include <vector>

namespace quillory {

// Remembers a number for each object address: the archive index of every container the
// archive writer has met that might be met again. Open addressing over a power-of-two table.
class PointerIndexMap
{
public:
    // The number stored for key, or value after storing it there.
    quint64 findOrInsert(const void* key, quint64 value)
    {
        if ((m_used + 1) * 2 > m_slots.size())
            rehash(std::max<size_t>(64, m_slots.size() * 2));
        size_t i = slotOf(key);
        while (m_slots[i].first) {
            if (m_slots[i].first == key)
                return m_slots[i].second;
            i = (i + 1) & (m_slots.size() - 1);
        }
        m_slots[i] = {key, value};
        ++m_used;
        return value;
    }

private:
    // Fibonacci hashing: the high bits of the product mix every bit of the address.
    size_t slotOf(const void* key) const
    {
        return size_t((quint64(quintptr(key)) * 0x9E3779B97F4A7C15ull) >> m_shift);
    }
    void rehash(size_t size)
    {
        std::vector<std::pair<const void*, quint64>> old(size);
        old.swap(m_slots);
        m_shift = 64;
        for (size_t n = size; n > 1; n >>= 1)
            --m_shift;
        for (const auto& slot : old) {
            if (!slot.first)
                continue;
            size_t i = slotOf(slot.first);
            while (m_slots[i].first)
                i = (i + 1) & (m_slots.size() - 1);
            m_slots[i] = slot;
        }
    }

    std::vector<std::pair<const void*, quint64>> m_slots;
    size_t m_used = 0;
    int m_shift = 64;
};

} // namespace quillory
