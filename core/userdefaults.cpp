#include "core/userdefaults.h"

#include "core/userdefaultkeys.h"

#include <cmath>
#include <limits>
#include <optional>

namespace quillory {

const QVariantMap& UserDefaults::registeredDefaults()
{
    static const QVariantMap defaults{
        {UserDefaultKeys::kNotifyUpdate, true},
        {UserDefaultKeys::kUpdateCheckQuestionAsked, false},
        {UserDefaultKeys::kStartupAction, 0},
        {UserDefaultKeys::kStartupDocument, QString()},
        {UserDefaultKeys::kLastVersionUsed, 0},
        {UserDefaultKeys::kHaveChosenUpdateCheck, false},
        {UserDefaultKeys::kUpdateCheckChoice, 1},
        {UserDefaultKeys::kUseLeading0, true},
        {UserDefaultKeys::kForceLeading0, false},
        {UserDefaultKeys::kForcedTotalLength, 3},
    };
    return defaults;
}

QVariant UserDefaults::value(const QString& key) const
{
    QVariant v = storedValue(key);
    if (v.isValid())
        return v;
    return registeredDefaults().value(key);
}

namespace {

// A whole number exactly as stored, or none for anything else: a fraction, a number out of the
// 64-bit range, text that is not a number. People type "YES" and "true" as well.
std::optional<qint64> strictInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return v.toLongLong();
    case QMetaType::ULongLong: {
        const qulonglong n = v.toULongLong();
        if (n > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(n);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        // 2^63 itself is out of range; every double below it converts exactly.
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0) || std::trunc(d) != d)
            return std::nullopt;
        return qint64(d);
    }
    case QMetaType::QString: {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("yes"))
            return 1;
        if (s == QLatin1String("false") || s == QLatin1String("no"))
            return 0;
        bool ok = false;
        const qint64 n = s.toLongLong(&ok);
        if (ok)
            return n;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

bool UserDefaults::boolValue(const QString& key) const
{
    const QVariant v = value(key);
    // QSettings gives text back ("true", "1", "YES" typed by hand): read it as people mean it.
    if (v.typeId() == QMetaType::QString) {
        if (const std::optional<qint64> n = strictInteger(v))
            return *n != 0;
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (ok)
            return d != 0;
        return registeredDefaults().value(key).toBool();
    }
    return v.toBool();
}

qint64 UserDefaults::integerValue(const QString& key) const
{
    // A value that is not a whole number in range reads as the registered default, never
    // as a number it does not say ("5.7" is not 0, nor 5).
    if (const std::optional<qint64> n = strictInteger(value(key)))
        return *n;
    return strictInteger(registeredDefaults().value(key)).value_or(0);
}

QString UserDefaults::stringValue(const QString& key) const
{
    return value(key).toString();
}

QByteArray UserDefaults::dataValue(const QString& key) const
{
    return value(key).toByteArray();
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    storeValue(key, value);
    // A copy: an observer may remove itself.
    const auto observers = m_observers;
    for (const auto& [id, observer] : observers)
        observer(key);
}

void UserDefaults::removeValue(const QString& key)
{
    eraseValue(key);
    const auto observers = m_observers;
    for (const auto& [id, observer] : observers)
        observer(key);
}

int UserDefaults::addObserver(Observer observer)
{
    m_observers.emplace(m_nextObserver, std::move(observer));
    return m_nextObserver++;
}

void UserDefaults::removeObserver(int id)
{
    m_observers.erase(id);
}

} // namespace quillory
