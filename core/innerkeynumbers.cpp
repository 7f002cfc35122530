#include "core/innerkeynumbers.h"

#include <algorithm>
#include <optional>

namespace quillory {

namespace {

// Only the number's own spelling collides with QString::number(n): "03" or " 3" do not.
std::optional<int> numberOf(const QString& innerKey)
{
    bool ok = false;
    const int n = innerKey.toInt(&ok);
    if (!ok || n < 1 || QString::number(n) != innerKey)
        return std::nullopt;
    return n;
}

} // namespace

void InnerKeyNumbers::reset(const std::vector<FieldKey>& keys)
{
    m_used.clear();
    m_lowestCandidate = 1;
    for (const FieldKey& k : keys)
        add(k.innerKey);
}

void InnerKeyNumbers::add(const QString& innerKey)
{
    if (const std::optional<int> n = numberOf(innerKey))
        ++m_used[*n];
}

void InnerKeyNumbers::remove(const QString& innerKey)
{
    const std::optional<int> n = numberOf(innerKey);
    if (!n)
        return;
    const auto it = m_used.find(*n);
    if (it == m_used.end())
        return;
    if (--it->second == 0) {
        m_used.erase(it);
        m_lowestCandidate = std::min(m_lowestCandidate, *n);
    }
}

int InnerKeyNumbers::lowestUnused()
{
    // Every number below the candidate is in use; the candidate only moves back on removal.
    while (m_used.count(m_lowestCandidate) != 0)
        ++m_lowestCandidate;
    return m_lowestCandidate;
}

} // namespace quillory
