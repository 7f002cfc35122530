#pragma once

#include <QStringList>

#include <optional>

namespace quillory {

// The candidate a mistyped word most likely meant: one it begins, or the nearest within a few
// edits; none when nothing is close.
std::optional<QString> closestMatch(const QString& typed, const QStringList& candidates);

// " (did you mean 'X'?)" for the closest candidate, or "".
QString didYouMean(const QString& typed, const QStringList& candidates);

// The keys of a table of choices, for didYouMean.
template <typename Map> QStringList keysOf(const Map& choices)
{
    QStringList keys;
    for (const auto& [key, value] : choices)
        keys << key;
    return keys;
}

} // namespace quillory
