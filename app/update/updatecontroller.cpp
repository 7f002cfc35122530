#include "app/update/updatecontroller.h"

#include "app/update/feedfetcher.h"
#include "core/userdefaultkeys.h"
#include "core/userdefaults.h"
#include "shell/releaseinfo.h"

#include <QUrl>

namespace quillory {

UpdateController::UpdateController(UserDefaults& defaults, AlertPresenter presentAlert,
                                   UrlOpener openUrl, UpdatePolicy::Clock clock, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_policy(defaults, std::move(clock)),
      m_fetcher(new FeedFetcher(this)), m_presentAlert(std::move(presentAlert)),
      m_openUrl(std::move(openUrl))
{}

Alert UpdateController::updateCheckQuestion()
{
    const QString name = ReleaseInfo::appName();
    return {tr("Should %1 check for new releases?").arg(name),
            tr("Once a day, at launch, %1 would ask its update server whether a newer release "
               "exists, and tell you when one does. You can change this in Preferences ▸ Update; "
               "Help ▸ Software Update… checks at any time.")
                .arg(name),
            {tr("Don't Check"), tr("Check Daily")},
            true,
            {Alert::Cancel, Alert::Ok}};
}

void UpdateController::launchProcedure()
{
    if (!m_defaults.boolValue(UserDefaultKeys::kUpdateCheckQuestionAsked)) {
        const bool allowed = m_presentAlert(updateCheckQuestion()) == Alert::Ok;
        m_defaults.setValue(UpdatePolicy::kNotifyKey, allowed);
        m_defaults.setValue(UserDefaultKeys::kUpdateCheckQuestionAsked, true);
    }
    // With the daily check off, launching neither checks silently nor invites to check: the
    // user has said no, and the network is reached only when asked.
    if (m_defaults.boolValue(UpdatePolicy::kNotifyKey))
        start(UpdatePolicy::Trigger::DailyVerbose);
}

void UpdateController::checkNow()
{
    start(UpdatePolicy::Trigger::User);
}

bool UpdateController::start(UpdatePolicy::Trigger trigger)
{
    // While the user reads what the last check found, a new one is dropped like any other.
    if (m_answering)
        return false;
    const std::optional<UpdatePolicy::Check> check = m_policy.begin(trigger);
    if (!check)
        return false;
    const UpdatePolicy::Check taken = *check;
    m_fetcher->fetch(FeedFetcher::mirrors(m_defaults),
                     [this, taken](const std::optional<UpdateFeed>& feed) { handle(taken, feed); });
    return true;
}

void UpdateController::handle(const UpdatePolicy::Check& check,
                              const std::optional<UpdateFeed>& feed)
{
    const UpdatePolicy::Result result = m_policy.finish(check, feed);
    if (result.notice != UpdatePolicy::Notice::None) {
        m_answering = true;
        const Alert::Role answer = m_presentAlert(result.alert);
        m_answering = false;
        // An address the feed did not give (or gave as no web page) opens nothing.
        const QUrl chosen = answer == Alert::Download       ? result.download
                            : answer == Alert::DownloadPage ? result.downloadPage
                                                            : QUrl();
        if (chosen.isValid() && !chosen.isEmpty())
            m_openUrl(chosen);
    }
    emit checkFinished(result.notice);
}

} // namespace quillory
