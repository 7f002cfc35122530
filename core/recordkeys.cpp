#include "core/recordkeys.h"

namespace quillory {

namespace {

// Up to this many keys a linear search beats hashing.
constexpr size_t kLinearSearch = 16;
// Changes remembered per set of keys.
constexpr size_t kDerivedKept = 8;

} // namespace

RecordKeys::RecordKeys(std::vector<QString> keys) : m_keys(std::move(keys))
{
    if (m_keys.size() > kLinearSearch) {
        m_index.reserve(qsizetype(m_keys.size()));
        for (size_t i = 0; i < m_keys.size(); ++i)
            m_index.insert(QStringView(m_keys[i]), qsizetype(i));
    }
}

RecordKeysPtr RecordKeys::make(std::vector<QString> keys)
{
    return RecordKeysPtr(new RecordKeys(std::move(keys)));
}

const RecordKeysPtr& RecordKeys::none()
{
    static const RecordKeysPtr empty = make({});
    return empty;
}

qsizetype RecordKeys::indexOf(QStringView key) const
{
    if (!m_index.isEmpty())
        return m_index.value(key, -1);
    for (size_t i = 0; i < m_keys.size(); ++i)
        if (m_keys[i] == key)
            return qsizetype(i);
    return -1;
}

RecordKeysPtr RecordKeys::derived(bool added, const QString& key) const
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Derived& d : m_derived)
            if (d.added == added && d.key == key)
                return d.result;
    }
    std::vector<QString> keys;
    keys.reserve(m_keys.size() + 1);
    for (const QString& k : m_keys)
        if (added || k != key)
            keys.push_back(k);
    if (added)
        keys.push_back(key);
    RecordKeysPtr result = make(std::move(keys));
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_derived.size() >= kDerivedKept)
        m_derived.erase(m_derived.begin());
    m_derived.push_back({added, key, result});
    return result;
}

RecordKeysPtr RecordKeys::withKey(const QString& key) const
{
    return derived(true, key);
}

RecordKeysPtr RecordKeys::withoutKey(qsizetype index) const
{
    return derived(false, m_keys[size_t(index)]);
}

} // namespace quillory
