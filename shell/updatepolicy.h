#pragma once

#include "core/alert.h"
#include "shell/updatefeed.h"

#include <QDateTime>
#include <QUrl>

#include <functional>
#include <optional>

namespace quillory {

class UserDefaults;

// The rules of the update check without the network or the windows: when a check may start,
// what a received feed (or none) leads to, and when to invite the user to check. Only one
// check runs at a time; requests made meanwhile are dropped.
class UpdatePolicy
{
public:
    using Clock = std::function<QDateTime()>;

    static const QString kLastCheckKey;                   // "lastCheckDateForUpdate"
    static const QString kNotifyKey;                      // "notifyUpdate"
    static constexpr qint64 kInvitationSeconds = 7776000; // 90 days
    static constexpr int kInvitationDays = 90;

    // How a check was started.
    enum class Trigger {
        User,         // "Software Update…" or "Check Now": tells both outcomes
        DailyVerbose, // at launch with notification on: tells of an update, once a day
        DailySilent,  // at launch with notification off: tells nothing, once a day
        Silent,       // tells nothing, any time
    };

    struct Check
    {
        bool tellIfAvailable = false;
        bool tellIfNotAvailable = false;
    };

    // What the handled result asks the window to show.
    enum class Notice { None, UpdateAvailable, UpToDate, Failed };
    struct Result
    {
        Notice notice = Notice::None;
        Alert alert;       // for any notice but None
        QUrl download;     // what the Download button opens
        QUrl downloadPage; // what the DownloadPage button opens
    };

    UpdatePolicy(UserDefaults& defaults, Clock clock = {});

    // The check a trigger starts, or none: one is running already, or a daily one ran today.
    // When a check is given, the policy is busy until finish().
    std::optional<Check> begin(Trigger trigger);
    // Handles what the fetch gave for the check begun last; the policy is idle again.
    Result finish(const Check& check, const std::optional<UpdateFeed>& feed);
    bool isChecking() const { return m_checking; }

    // At launch: the daily check the notification preference asks for.
    Trigger launchTrigger() const;
    // At launch with notification off: the invitation to check, when none was received for
    // more than 90 days (or ever). Its buttons: "OK" (check now), "Norvane Site", "Cancel".
    std::optional<Alert> invitation() const;

    bool lastCheckNotToday() const;

    static Alert updateAvailableAlert(qint64 running, qint64 latest);
    static Alert upToDateAlert();
    static Alert failedAlert();

private:
    QDateTime now() const;
    std::optional<QDateTime> lastCheck() const;

    UserDefaults& m_defaults;
    Clock m_clock;
    bool m_checking = false;
};

} // namespace quillory
