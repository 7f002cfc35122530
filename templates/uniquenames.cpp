#include "templates/uniquenames.h"

#include <QUuid>

#include <cstdlib>
#include <ctime>
#include <mutex>

namespace quillory {

namespace {

struct SerialMemory
{
    std::mutex mutex;
    QString lastTimeString;
    qint64 lastSerial = 0;
};

SerialMemory& serialMemory()
{
    static SerialMemory memory;
    return memory;
}

// Must be called with the memory's mutex held.
qint64 nextSerialLocked(SerialMemory& memory, const QString& stamp)
{
    memory.lastSerial = (stamp == memory.lastTimeString) ? memory.lastSerial + 1 : 0;
    memory.lastTimeString = stamp;
    return memory.lastSerial;
}

} // namespace

QString UniqueNames::newUuidString()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString UniqueNames::timeString()
{
    return timeString(QDateTime::currentDateTime());
}

QString UniqueNames::timeString(const QDateTime& now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    return QString::asprintf("%li%02li%02li%02li%02li%02li", long(d.year()), long(d.month()),
                             long(d.day()), long(t.hour()), long(t.minute()), long(t.second()));
}

QString UniqueNames::timeStringWithRandom()
{
    static std::once_flag seeded;
    std::call_once(seeded, [] { srandom(unsigned(time(nullptr))); });
    const long long r = 1 + (static_cast<long long>(random()) % 32000000000000LL);
    return timeString() + QString::asprintf("%05lld", r);
}

QString UniqueNames::serialForTimeString(const QString& stamp)
{
    SerialMemory& memory = serialMemory();
    std::lock_guard lock(memory.mutex);
    return QString::number(nextSerialLocked(memory, stamp));
}

QString UniqueNames::timeStringWithSerial()
{
    // The clock is read under the lock so that two threads cannot hand out their serials in
    // the opposite order of their time texts, which would restart a second's serials at 0.
    SerialMemory& memory = serialMemory();
    std::lock_guard lock(memory.mutex);
    const QString stamp = timeString();
    return stamp + QString::number(nextSerialLocked(memory, stamp));
}

QString UniqueNames::timeStringWithSerial(const QDateTime& now)
{
    SerialMemory& memory = serialMemory();
    std::lock_guard lock(memory.mutex);
    const QString stamp = timeString(now);
    return stamp + QString::number(nextSerialLocked(memory, stamp));
}

} // namespace quillory
