#pragma once

#include "core/value.h"

#include <QStringList>
#include <QStringView>

#include <memory>
#include <utility>
#include <vector>

namespace quillory {

// An archived object of a class we do not model (NSNull, NSSet, NSValue, a custom class...),
// carried through a read and a save unchanged: its class, and how each field was stored.
// The fields themselves are the entries of the Dict that holds this.
struct ArchivedObject
{
    QString className;
    // The $classes chain, the class itself first; empty when the archive gave none.
    QStringList classes;
    bool hasClasses = true;
    // Fields stored in the object itself rather than referenced: plain values, and lists of
    // references (held as an Array of the referenced values). Every other field is one
    // reference.
    QStringList inlineFields;
    QStringList referenceListFields;
    bool operator==(const ArchivedObject&) const = default;
};

// A dictionary with text keys, kept in insertion order (NSDictionary / NSMutableDictionary).
// Records, field keys and Prototypes are small, so a flat list beats a hash here.
struct Dict
{
    std::vector<std::pair<QString, Value>> entries;
    bool isMutable = true;
    // Set when this is not a dictionary but an archived object of another class.
    std::shared_ptr<const ArchivedObject> archived;

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
