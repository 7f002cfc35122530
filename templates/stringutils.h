#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace quillory {

// Stateless text helpers shared by every subsystem. Lengths count UTF-16 code units.
class StringUtils
{
public:
    // Without U+0020 at both ends; tabs and line breaks are kept.
    static QString trimLateralSpace(const QString& s);
    // Whether the text is there and holds more than U+0020 spaces.
    static bool hasNonSpaceText(const std::optional<QString>& s);
    // Without '"' characters at both ends.
    static QString trimLateralQuote(const QString& s);
    // From the first character that is not a horizontal white space (space, tab, other Unicode
    // space separators) on; none for empty or white-space-only text. Line breaks are not white.
    static std::optional<QString> removeInitialSpaces(const QString& s);
    // Preceded by "0" characters up to totalLen; never shortened (also for totalLen <= 0).
    static QString padWithLeadingZeros(const QString& s, qint64 totalLen);
    // Only the characters of s that occur in chars, in their order.
    static QString keepOnly(const QString& s, const QString& chars);
    static QString removeCharacters(const QString& s, const std::function<bool(QChar)>& inSet);
    // Without "\n\r" pairs, then without any "\n", then without any "\r".
    static QString stripNewLines(const QString& s);
    // The text, or a shortened text ending in "..", that fits pixelLength when measured.
    // A surrogate pair is removed as one character.
    static QString elideToFit(const QString& s, int pixelLength,
                              const std::function<int(const QString&)>& measure);
};

} // namespace quillory
