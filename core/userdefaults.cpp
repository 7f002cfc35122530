#include "core/userdefaults.h"

namespace quillory {

const QVariantMap& UserDefaults::registeredDefaults()
{
    static const QVariantMap defaults{
        {QStringLiteral("notifyUpdate"), true},
        {QStringLiteral("StartupActionTag"), 0},
        {QStringLiteral("StartupSelectedDoc"), QString()},
        {QStringLiteral("lastVersionUsedToUpdatePref"), 0},
        {QStringLiteral("haveSelectedPrefForCheckForUpdate"), false},
        {QStringLiteral("userPrefForCheckForUpdate"), 1},
        {QStringLiteral("useLeading0ForField1"), true},
        {QStringLiteral("forceLeading0ForField1"), false},
        {QStringLiteral("forcedTotLenField1"), 3},
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

bool UserDefaults::boolValue(const QString& key) const
{
    const QVariant v = value(key);
    // QSettings gives text back ("true", "1", "YES" typed by hand): read it as people mean it.
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("true") || s == QLatin1String("yes") || s.toLongLong() != 0;
    }
    return v.toBool();
}

qint64 UserDefaults::integerValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("yes"))
            return 1;
        return s.toLongLong();
    }
    return v.toLongLong();
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
