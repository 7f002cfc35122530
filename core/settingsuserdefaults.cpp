#include "core/settingsuserdefaults.h"

namespace quillory {

SettingsUserDefaults::SettingsUserDefaults()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillory"),
                 QStringLiteral("Quillory"))
{}

void SettingsUserDefaults::storeValue(const QString& key, const QVariant& value)
{
    m_settings.setValue(key, value);
}

void SettingsUserDefaults::eraseValue(const QString& key)
{
    m_settings.remove(key);
}

QVariant SettingsUserDefaults::storedValue(const QString& key) const
{
    return m_settings.value(key);
}

} // namespace quillory
