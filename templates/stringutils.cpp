#include "templates/stringutils.h"

#include <QUuid>

#include <cstdlib>
#include <ctime>
#include <mutex>

namespace quillory {

namespace {

QString trimmedOf(const QString& s, QChar c)
{
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && s.at(start) == c)
        ++start;
    while (end > start && s.at(end - 1) == c)
        --end;
    if (start == 0 && end == s.size())
        return s;
    return s.mid(start, end - start);
}

bool isHorizontalWhiteSpace(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString upperUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

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
qint64 nextSerialLocked(SerialMemory& memory, const QString& timeString)
{
    memory.lastSerial = (timeString == memory.lastTimeString) ? memory.lastSerial + 1 : 0;
    memory.lastTimeString = timeString;
    return memory.lastSerial;
}

} // namespace

QString StringUtils::trimLateralSpace(const QString& s)
{
    return trimmedOf(s, u' ');
}

QString StringUtils::removeLateralSpace(const QString& s)
{
    return trimmedOf(s, u' ');
}

bool StringUtils::hasNonSpaceText(const std::optional<QString>& s)
{
    return s && !trimmedOf(*s, u' ').isEmpty();
}

QString StringUtils::trimLateralQuote(const QString& s)
{
    return trimmedOf(s, u'"');
}

std::optional<QString> StringUtils::removeInitialSpaces(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (!isHorizontalWhiteSpace(s.at(i)))
            return s.mid(i);
    }
    return std::nullopt;
}

QString StringUtils::addLeading0(const QString& s, qint64 totalLen)
{
    if (totalLen <= s.size())
        return s;
    return QString(qsizetype(totalLen - s.size()), u'0') + s;
}

QString StringUtils::trimString(const QString& s, const QString& acceptingOnlyChars)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (acceptingOnlyChars.contains(c))
            out.append(c);
    }
    return out;
}

QString StringUtils::stringByRemovingCharacters(const QString& s,
                                                  const std::function<bool(QChar)>& inSet)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (!inSet(c))
            out.append(c);
    }
    return out;
}

QString StringUtils::stripNewLines(const QString& s)
{
    QString out = s;
    out.remove(QStringLiteral("\n\r"));
    out.remove(u'\n');
    out.remove(u'\r');
    return out;
}

QString StringUtils::createUUIDString()
{
    return upperUuid();
}

QString StringUtils::uniqueUUIDString()
{
    return upperUuid();
}

QString StringUtils::uniqueTimeString()
{
    return uniqueTimeString(QDateTime::currentDateTime());
}

QString StringUtils::uniqueTimeString(const QDateTime& now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    return QString::asprintf("%li%02li%02li%02li%02li%02li", long(d.year()), long(d.month()),
                             long(d.day()), long(t.hour()), long(t.minute()), long(t.second()));
}

QString StringUtils::uniqueTimeRandString()
{
    static std::once_flag seeded;
    std::call_once(seeded, [] { srandom(unsigned(time(nullptr))); });
    const long long r = 1 + (static_cast<long long>(random()) % 32000000000000LL);
    return uniqueTimeString() + QString::asprintf("%05lld", r);
}

QString StringUtils::getNewSerialForTimeString(const QString& timeString)
{
    SerialMemory& memory = serialMemory();
    std::lock_guard lock(memory.mutex);
    return QString::number(nextSerialLocked(memory, timeString));
}

QString StringUtils::uniqueTimeSerialString()
{
    // The clock is read under the lock so that two threads cannot hand out their serials in
    // the opposite order of their time texts, which would restart a second's serials at 0.
    SerialMemory& memory = serialMemory();
    std::lock_guard lock(memory.mutex);
    const QString timeString = uniqueTimeString();
    return timeString + QString::number(nextSerialLocked(memory, timeString));
}

QString StringUtils::uniqueTimeSerialString(const QDateTime& now)
{
    SerialMemory& memory = serialMemory();
    std::lock_guard lock(memory.mutex);
    const QString timeString = uniqueTimeString(now);
    return timeString + QString::number(nextSerialLocked(memory, timeString));
}

QString StringUtils::trimStringToFit(const QString& s, int pixelLength,
                                       const std::function<int(const QString&)>& measure)
{
    if (measure(s) <= pixelLength)
        return s;
    const QString dots = QStringLiteral("..");
    QString text = s;
    for (;;) {
        if (measure(text + dots) <= pixelLength)
            break;
        const qsizetype n = text.size();
        const bool lastIsPair =
            n >= 2 && text.at(n - 1).isLowSurrogate() && text.at(n - 2).isHighSurrogate();
        // Fewer than two characters left, a surrogate pair counting as one.
        if (n < 2 || (n == 2 && lastIsPair))
            break;
        // Cutting a surrogate pair in half would leave malformed text.
        text.chop(lastIsPair ? 2 : 1);
    }
    return text + dots;
}

} // namespace quillory
