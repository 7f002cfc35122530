#pragma once

#include <QString>

namespace quillory {

// One field of the database: the inner key under which records store its value, and the
// visible name that titles its columns and forms its tag.
struct FieldKey
{
    QString innerKey;
    QString publicKey;
    bool operator==(const FieldKey&) const = default;
};

// Inner keys of the two built-in fields at positions 0 and 1.
inline const QString kCounterKey = QStringLiteral("1");
inline const QString kCheckedKey = QStringLiteral("2");
// Position of the first user field in keyArray.
constexpr int kFirstUserKeyIndex = 2;

} // namespace quillory
