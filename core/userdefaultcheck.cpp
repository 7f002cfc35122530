#include "core/userdefaultcheck.h"

#include "core/userdefaultkeys.h"
#include "core/userdefaults.h"
#include "templates/countertext.h"

namespace quillory {

std::optional<QString> UserDefaultCheck::problem(const QString& key, const QString& text)
{
    const QString typed = text.trimmed().toLower();
    bool ok = false;
    const qint64 n = typed.toLongLong(&ok);
    if (key == UserDefaultKeys::kForcedTotalLength) {
        if (ok && n >= 0 && n <= CounterText::kMaxForcedTotalLength)
            return std::nullopt;
        return QStringLiteral("a whole number from 0 to %1")
            .arg(CounterText::kMaxForcedTotalLength);
    }
    switch (UserDefaults::registeredDefaults().value(key).typeId()) {
    case QMetaType::Bool:
        if (typed == QLatin1String("true") || typed == QLatin1String("false") ||
            typed == QLatin1String("yes") || typed == QLatin1String("no") ||
            typed == QLatin1String("1") || typed == QLatin1String("0"))
            return std::nullopt;
        return QStringLiteral("true or false (or yes, no, 1, 0)");
    case QMetaType::Int:
    case QMetaType::LongLong:
        if (ok)
            return std::nullopt;
        return QStringLiteral("a whole number");
    default:
        return std::nullopt;
    }
}

} // namespace quillory
