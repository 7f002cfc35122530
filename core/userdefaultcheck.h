#pragma once

#include <QString>

#include <optional>

namespace quillory {

// Whether a value typed for a user default (quillory-cli --default KEY=VALUE) is of the kind
// the key takes. Stored values are read leniently; a value typed for one invocation is refused
// instead, so that a typo never silently runs with the default.
class UserDefaultCheck
{
public:
    // None when text suits key; otherwise what the key takes ("a whole number from 0 to 9").
    // Keys that are not registered are the caller's to refuse.
    static std::optional<QString> problem(const QString& key, const QString& text);
};

} // namespace quillory
