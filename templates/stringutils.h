#pragma once

#include <QString>

#include <optional>

namespace quillory {

// Stateless text helpers shared by every subsystem. Lengths count UTF-16 code units.
class StringUtils
{
public:
    // Without U+0020 at both ends; tabs and line breaks are kept.
    static QString trimLateralSpace(const QString& s);
    // From the first character that is not a horizontal white space (space, tab, other Unicode
    // space separators) on; none for empty or white-space-only text. Line breaks are not white.
    static std::optional<QString> removeInitialSpaces(const QString& s);
    // Preceded by "0" characters up to totalLen; never shortened (also for totalLen <= 0).
    static QString padWithLeadingZeros(const QString& s, qint64 totalLen);
};

} // namespace quillory
