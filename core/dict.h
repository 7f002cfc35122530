#pragma once

#include "core/value.h"

#include <QStringView>

#include <utility>
#include <vector>

namespace quillory {

// A dictionary with text keys, kept in insertion order (NSDictionary / NSMutableDictionary).
// Records, field keys and Prototypes are small, so a flat list beats a hash here.
struct Dict
{
    std::vector<std::pair<QString, Value>> entries;
    bool isMutable = true;

    static DictPtr make(bool isMutable = true);

    const Value* find(QStringView key) const;
    Value* find(QStringView key);
    // The value under key, or none when it is missing.
    Value value(QStringView key) const;
    bool contains(QStringView key) const { return find(key) != nullptr; }
    // Replaces the value under key, or appends the entry when the key is new.
    void set(const QString& key, Value v);
    bool remove(QStringView key);
    // A new dictionary holding the same entries (values shared, containers not copied).
    DictPtr shallowCopy() const;

    bool operator==(const Dict& other) const;
};

} // namespace quillory
