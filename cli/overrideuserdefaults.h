#pragma once

#include "core/userdefaults.h"

namespace quillory {

// User defaults with per-invocation overrides (--default KEY=VALUE) laid over the shared store;
// overrides are never written back.
class OverrideUserDefaults : public UserDefaults
{
public:
    explicit OverrideUserDefaults(UserDefaults& base) : m_base(base) {}
    void setOverride(const QString& key, const QString& value) { m_overrides[key] = value; }

protected:
    void storeValue(const QString& key, const QVariant& value) override
    {
        m_base.setValue(key, value);
    }
    void eraseValue(const QString& key) override { m_base.removeValue(key); }
    QVariant storedValue(const QString& key) const override
    {
        auto it = m_overrides.constFind(key);
        if (it != m_overrides.constEnd())
            return *it;
        return m_base.value(key);
    }

private:
    UserDefaults& m_base;
    QVariantMap m_overrides;
};

} // namespace quillory
