#pragma once

#include "core/userdefaults.h"

#include <QSettings>

namespace quillory {

// The application's store: QSettings under "Quillory/Quillory", shared by the window and the
// command-line tool. XDG_CONFIG_HOME relocates it.
class SettingsUserDefaults : public UserDefaults
{
public:
    SettingsUserDefaults();

protected:
    void storeValue(const QString& key, const QVariant& value) override;
    void eraseValue(const QString& key) override;
    QVariant storedValue(const QString& key) const override;

private:
    mutable QSettings m_settings;
};

} // namespace quillory
