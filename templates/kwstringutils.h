#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace quillory {

// Stateless text helpers shared by every subsystem. Lengths count UTF-16 code units.
class KWStringUtils
{
public:
    // Without U+0020 at both ends; tabs and line breaks are kept.
    static QString trimLateralSpace(const QString& s);
    static QString removeLateralSpace(const QString& s);
    static bool spaceTrimmedNotEmpy(const std::optional<QString>& s);
    static QString trimLateralQuote(const QString& s);
    // From the first non-white-space character on; none for empty or white-space-only text.
    static std::optional<QString> removeInitialSpaces(const QString& s);
    static QString addLeading0(const QString& s, qint64 totalLen);
    static QString trimString(const QString& s, const QString& acceptingOnlyChars);
    static QString stringByRemovingCharacters(const QString& s,
                                              const std::function<bool(QChar)>& inSet);
    static QString stripNewLines(const QString& s);
    static QString createUUIDString();
    static QString uniqueUUIDString();
    static QString uniqueTimeString();
    static QString uniqueTimeRandString();
    static QString getNewSerialForTimeString(const QString& timeString);
    static QString uniqueTimeSerialString();
    // The text, or a shortened text ending in "..", that fits pixelLenght when measured.
    static QString trimStringToFit(const QString& s, int pixelLenght,
                                   const std::function<int(const QString&)>& measure);
};

} // namespace quillory
