#pragma once

#include <QHash>
#include <QString>

#include <utility>
#include <vector>

namespace quillory {

// Remembers a number for each dictionary key text: the archive index under which the archive
// writer stored it. Records repeat the same keys in the same order, usually as the very same
// shared string, so the key last seen at each position is tried before the hash.
class KeyIndexMap
{
public:
    // The number stored for key, or value after storing it there.
    quint64 findOrInsert(const QString& key, size_t position, quint64 value)
    {
        if (position < m_byPosition.size()) {
            const auto& [cached, index] = m_byPosition[position];
            if (cached.size() == key.size() && cached.constData() == key.constData())
                return index;
        }
        auto it = m_map.constFind(key);
        const quint64 index = it != m_map.cend() ? *it : *m_map.insert(key, value);
        if (position < kPositions) {
            if (position >= m_byPosition.size())
                m_byPosition.resize(position + 1);
            m_byPosition[position] = {key, index};
        }
        return index;
    }

private:
    static constexpr size_t kPositions = 256;
    QHash<QString, quint64> m_map;
    std::vector<std::pair<QString, quint64>> m_byPosition;
};

} // namespace quillory
