#include "shell/updatepolicy.h"

#include "core/userdefaultkeys.h"
#include "core/userdefaults.h"
#include "shell/releaseinfo.h"

namespace quillory {

const QString UpdatePolicy::kLastCheckKey = UserDefaultKeys::kLastUpdateCheck;
const QString UpdatePolicy::kNotifyKey = UserDefaultKeys::kNotifyUpdate;

UpdatePolicy::UpdatePolicy(UserDefaults& defaults, Clock clock)
    : m_defaults(defaults), m_clock(std::move(clock))
{}

QDateTime UpdatePolicy::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

std::optional<QDateTime> UpdatePolicy::lastCheck() const
{
    const QVariant stored = m_defaults.value(kLastCheckKey);
    if (!stored.isValid())
        return std::nullopt;
    const QDateTime when = stored.toDateTime();
    if (!when.isValid())
        return std::nullopt;
    return when;
}

bool UpdatePolicy::lastCheckNotToday() const
{
    const std::optional<QDateTime> last = lastCheck();
    return !last || last->toLocalTime().date() != now().toLocalTime().date();
}

std::optional<UpdatePolicy::Check> UpdatePolicy::begin(Trigger trigger)
{
    if (m_checking)
        return std::nullopt;
    Check check;
    switch (trigger) {
    case Trigger::User:
        check = {true, true};
        break;
    case Trigger::DailyVerbose:
        if (!lastCheckNotToday())
            return std::nullopt;
        check = {true, false};
        break;
    case Trigger::DailySilent:
        if (!lastCheckNotToday())
            return std::nullopt;
        check = {false, false};
        break;
    case Trigger::Silent:
        check = {false, false};
        break;
    }
    m_checking = true;
    return check;
}

UpdatePolicy::Result UpdatePolicy::finish(const Check& check, const std::optional<UpdateFeed>& feed)
{
    m_checking = false;
    Result result;
    if (!feed) {
        // The date stays as it was, so that the daily check tries again at the next launch.
        if (check.tellIfNotAvailable)
            result = {Notice::Failed, failedAlert(), QUrl(), QUrl()};
        return result;
    }
    m_defaults.setValue(kLastCheckKey, now());
    if (!feed->latestRelease)
        return result;
    const qint64 latest = *feed->latestRelease;
    if (latest > ReleaseInfo::kReleaseNumber) {
        if (check.tellIfAvailable)
            result = {Notice::UpdateAvailable,
                      updateAvailableAlert(ReleaseInfo::kReleaseNumber, latest), feed->updateUrl,
                      feed->downloadPage};
    } else if (check.tellIfNotAvailable) {
        result = {Notice::UpToDate, upToDateAlert(), QUrl(), feed->downloadPage};
    }
    return result;
}

UpdatePolicy::Trigger UpdatePolicy::launchTrigger() const
{
    return m_defaults.boolValue(kNotifyKey) ? Trigger::DailyVerbose : Trigger::DailySilent;
}

std::optional<Alert> UpdatePolicy::invitation() const
{
    const std::optional<QDateTime> last = lastCheck();
    if (last && last->secsTo(now()) <= kInvitationSeconds)
        return std::nullopt;
    const QString name = ReleaseInfo::appName();
    const QString message =
        last ? QStringLiteral("It is more then %1 days this app doesn't report to you for "
                              "updates.\nWould you like that %2 informs you now for any available "
                              "update?")
                   .arg(kInvitationDays)
                   .arg(name)
             : QStringLiteral("Would you like that %1 informs you now for any available update?")
                   .arg(name);
    return Alert{message,
                 QStringLiteral("Suggested option is to have the update report enabled.\nUse the "
                                "Preference Dialog to enable this feature."),
                 {QStringLiteral("OK"), QStringLiteral("Norvane Site"), QStringLiteral("Cancel")},
                 true,
                 {Alert::CheckNow, Alert::OpenWebsite, Alert::Cancel}};
}

Alert UpdatePolicy::updateAvailableAlert(qint64 running, qint64 latest)
{
    return {QStringLiteral("There is an update available for %1").arg(ReleaseInfo::appName()),
            QStringLiteral("You are using release: %1\nLatest available release is: %2\nNorvane "
                           "recommends to use always the latest release")
                .arg(ReleaseInfo::dottedRelease(running), ReleaseInfo::dottedRelease(latest)),
            {QStringLiteral("Download Update"), QStringLiteral("Download Page"),
             QStringLiteral("Later")},
            true,
            {Alert::Download, Alert::DownloadPage, Alert::Cancel}};
}

Alert UpdatePolicy::upToDateAlert()
{
    return {QStringLiteral("%1 is up to date").arg(ReleaseInfo::appName()),
            QStringLiteral("You are using the latest available release.\nIf you like, you can go "
                           "to the Norvane download page to manually check it.\n\nVisit us and "
                           "see all the macOS software we have available.\nWe are one of the "
                           "developers in the world with more macOS apps!\n"),
            {QStringLiteral("Go to Norvane Download Page"), QStringLiteral("Close")},
            true,
            {Alert::DownloadPage, Alert::Cancel}};
}

Alert UpdatePolicy::failedAlert()
{
    return {QStringLiteral("%1 was not able to connect to the Norvane server")
                .arg(ReleaseInfo::appName()),
            QStringLiteral("It was not possible to enstablish a internet connection on the net "
                           "with the Norvane upgrade server. Check your internet connection or "
                           "try later."),
            {QStringLiteral("OK")},
            true,
            {Alert::Ok}};
}

} // namespace quillory
