#pragma once

#include <QString>

#include <optional>

namespace quillory {

// A template expanded, or refused because the text would grow past kMaxLength: tags that
// values bring in are expanded again, so a few fields can ask for an exponentially long text.
struct ExpandedText
{
    // UTF-16 code units of one expanded text: 64 MiB.
    static constexpr qsizetype kMaxLength = qsizetype(32) << 20;

    std::optional<QString> text;
    bool tooLarge = false;

    static ExpandedText refused() { return {std::nullopt, true}; }
};

} // namespace quillory
