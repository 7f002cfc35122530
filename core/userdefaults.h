#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <map>

namespace quillory {

// The user defaults, read through one small interface. A key that the store does not hold
// reads as its registered default.
class UserDefaults
{
public:
    virtual ~UserDefaults() = default;

    // The nine registered keys with their default values.
    static const QVariantMap& registeredDefaults();

    QVariant value(const QString& key) const;
    // Text is read as people type it ("YES", "true", " 7 "); a value that says no boolean or
    // no whole number in the 64-bit range reads as the registered default.
    bool boolValue(const QString& key) const;
    qint64 integerValue(const QString& key) const;
    QString stringValue(const QString& key) const;
    QByteArray dataValue(const QString& key) const;

    // Store or forget a value, then tell the observers.
    void setValue(const QString& key, const QVariant& value);
    void removeValue(const QString& key);

    // Called with the key after each change made through this object (the preferences
    // window changes the counter format while documents show counters).
    using Observer = std::function<void(const QString& key)>;
    int addObserver(Observer observer);
    void removeObserver(int id);

protected:
    // The stored value, or an invalid QVariant when the store does not hold the key.
    virtual QVariant storedValue(const QString& key) const = 0;
    virtual void storeValue(const QString& key, const QVariant& value) = 0;
    virtual void eraseValue(const QString& key) = 0;

private:
    std::map<int, Observer> m_observers;
    int m_nextObserver = 0;
};

// Defaults kept in memory only (tests, and overrides layered over a real store).
class MemoryUserDefaults : public UserDefaults
{
public:
protected:
    void storeValue(const QString& key, const QVariant& value) override { m_values[key] = value; }
    void eraseValue(const QString& key) override { m_values.remove(key); }
    QVariant storedValue(const QString& key) const override { return m_values.value(key); }

private:
    QVariantMap m_values;
};

} // namespace quillory
