#pragma once

#include <QExplicitlySharedDataPointer>
#include <QHash>
#include <QSharedData>
#include <QString>

#include <mutex>
#include <vector>

namespace quillory {

class RecordKeys;
using RecordKeysPtr = QExplicitlySharedDataPointer<const RecordKeys>;

// The keys of a record in the record's own order. A document's records nearly always list the
// same keys in the same order, so they share one RecordKeys instead of each holding its keys;
// the keys one more or one fewer are remembered, so that adding a field to a million records
// makes their new keys once. Immutable once made, and safe to share between threads.
class RecordKeys : public QSharedData
{
public:
    explicit RecordKeys(std::vector<QString> keys);
    static RecordKeysPtr make(std::vector<QString> keys);
    // The keys of an empty record.
    static const RecordKeysPtr& none();

    qsizetype size() const { return qsizetype(m_keys.size()); }
    const QString& at(qsizetype i) const { return m_keys[size_t(i)]; }
    const std::vector<QString>& keys() const { return m_keys; }
    // Position of key, or -1.
    qsizetype indexOf(QStringView key) const;

    // These keys with key appended (key must not be among them).
    RecordKeysPtr withKey(const QString& key) const;
    // These keys without the one at index.
    RecordKeysPtr withoutKey(qsizetype index) const;

    bool operator==(const RecordKeys& other) const { return m_keys == other.m_keys; }

private:
    // What the same change of these keys gave last: few distinct changes happen to one set
    // of keys, and a bulk change meets the same one a million times.
    struct Derived
    {
        bool added;
        QString key;
        RecordKeysPtr result;
    };
    RecordKeysPtr derived(bool added, const QString& key) const;

    std::vector<QString> m_keys;
    // For records of many fields, where a linear search would make reading them quadratic.
    QHash<QStringView, qsizetype> m_index;
    mutable std::mutex m_mutex;
    mutable std::vector<Derived> m_derived;
};

} // namespace quillory
