#pragma once

#include <QDateTime>
#include <QString>

namespace quillory {

// Names for things that must not collide with one made earlier in this process.
class UniqueNames
{
public:
    // 36 upper-case hexadecimal characters, 8-4-4-4-12.
    static QString newUuidString();
    // Local date and time as year, month, day, hour, minute, second: "20240305090402".
    static QString timeString();
    static QString timeString(const QDateTime& now);
    // timeString followed by a pseudo-random number of at least five digits.
    static QString timeStringWithRandom();
    // "0" for a time text other than the previous call's, else the previous serial plus 1.
    // Remembered process-wide; safe to call from several threads.
    static QString serialForTimeString(const QString& stamp);
    // timeString followed by its serial: unique within the process while the clock runs on.
    static QString timeStringWithSerial();
    static QString timeStringWithSerial(const QDateTime& now);
};

} // namespace quillory
