#pragma once

#include "core/alert.h"

#include <QString>

#include <functional>
#include <optional>

namespace quillory {

class UserDefaults;

// The document opened at startup when the preferences say so: kept as a location bookmark in
// the user defaults, renewed when it went stale, with the one-line status the preferences
// window shows.
class StartupDocument
{
public:
    static const QString kBookmarkKey; // "StartupSelectedDocBookmark"

    enum class Outcome { Open, NotSpecified, AccessRefused };
    struct Resolution
    {
        Outcome outcome = Outcome::NotSpecified;
        QString path; // for Open
    };

    explicit StartupDocument(UserDefaults& defaults);

    // What the launch does with startup action 3, the status updated as it goes.
    Resolution resolveForLaunch();
    // "Open Now": the path when it resolves and may be opened; none otherwise.
    std::optional<QString> resolveForOpenNow();
    // "Show in File Manager": the path when something still stands there.
    std::optional<QString> resolveForReveal();

    // Remembers path; false (nothing changed) when no bookmark can be made of it.
    bool choose(const QString& path);
    void clear();
    // Where the bookmark points now, without renewing it; none when it does not resolve.
    std::optional<QString> currentPath() const;

    const QString& statusMessage() const { return m_status; }
    bool isSpecified() const { return m_specified; }
    // Called after the status message or the specified flag changed.
    std::function<void()> statusChanged;

    static Alert notSpecifiedAlert();
    static Alert accessRefusedAlert();

private:
    // Resolves the stored bookmark, renewing it when stale; none when it does not resolve.
    std::optional<QString> resolveRenewing();
    void setStatus(const QString& message, bool specified);

    UserDefaults& m_defaults;
    QString m_status;
    bool m_specified = true;
};

} // namespace quillory
