#pragma once

#include <QDateTime>
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
    static QString removeLateralSpace(const QString& s);
    // Whether the text is there and holds more than U+0020 spaces.
    static bool hasNonSpaceText(const std::optional<QString>& s);
    // Without '"' characters at both ends.
    static QString trimLateralQuote(const QString& s);
    // From the first character that is not a horizontal white space (space, tab, other Unicode
    // space separators) on; none for empty or white-space-only text. Line breaks are not white.
    static std::optional<QString> removeInitialSpaces(const QString& s);
    // Preceded by "0" characters up to totalLen; never shortened (also for totalLen <= 0).
    static QString addLeading0(const QString& s, qint64 totalLen);
    // Only the characters of s that occur in acceptingOnlyChars, in their order.
    static QString trimString(const QString& s, const QString& acceptingOnlyChars);
    static QString stringByRemovingCharacters(const QString& s,
                                              const std::function<bool(QChar)>& inSet);
    // Without "\n\r" pairs, then without any "\n", then without any "\r".
    static QString stripNewLines(const QString& s);
    // 36 upper-case hexadecimal characters, 8-4-4-4-12.
    static QString createUUIDString();
    static QString uniqueUUIDString();
    // Local date and time as year, month, day, hour, minute, second: "20240305090402".
    static QString uniqueTimeString();
    static QString uniqueTimeString(const QDateTime& now);
    // uniqueTimeString followed by a pseudo-random number of at least five digits.
    static QString uniqueTimeRandString();
    // "0" for a time text other than the previous call's, else the previous serial plus 1.
    // Remembered process-wide; safe to call from several threads.
    static QString getNewSerialForTimeString(const QString& timeString);
    // uniqueTimeString followed by its serial: unique within the process while the clock runs on.
    static QString uniqueTimeSerialString();
    static QString uniqueTimeSerialString(const QDateTime& now);
    // The text, or a shortened text ending in "..", that fits pixelLength when measured.
    // A surrogate pair is removed as one character.
    static QString trimStringToFit(const QString& s, int pixelLength,
                                   const std::function<int(const QString&)>& measure);
};

} // namespace quillory
