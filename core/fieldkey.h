#pragma once

#include "core/dict.h"

#include <QString>

namespace quillory {

// One field of the database: the inner key under which records store its value, and the
// visible name that titles its columns and forms its tag.
struct FieldKey
{
    QString innerKey;
    QString publicKey;
    // The dictionary the key was read from, none for a key made here: a save writes its
    // entries back as they were (those we do not know, and numbers where the texts were
    // numbers), with the two texts above where they changed.
    DictPtr stored = nullptr;
    // Two keys are the same field when their texts are: where they were read from is not.
    bool operator==(const FieldKey& o) const
    {
        return innerKey == o.innerKey && publicKey == o.publicKey;
    }
};

// Inner keys of the two built-in fields at positions 0 and 1.
inline const QString kCounterKey = QStringLiteral("1");
inline const QString kCheckedKey = QStringLiteral("2");
// Position of the first user field in keyArray.
constexpr int kFirstUserKeyIndex = 2;

} // namespace quillory
