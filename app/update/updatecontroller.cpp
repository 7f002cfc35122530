#include "app/update/updatecontroller.h"

#include "app/update/feedfetcher.h"
#include "shell/supportlinks.h"

#include <QUrl>

namespace quillory {

UpdateController::UpdateController(UserDefaults& defaults, AlertPresenter presentAlert,
                                   UrlOpener openUrl, UpdatePolicy::Clock clock, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_policy(defaults, std::move(clock)),
      m_fetcher(new FeedFetcher(this)), m_presentAlert(std::move(presentAlert)),
      m_openUrl(std::move(openUrl))
{}

void UpdateController::launchProcedure()
{
    const UpdatePolicy::Trigger trigger = m_policy.launchTrigger();
    // The invitation comes first: its "OK" starts the check that tells, and the silent one is
    // then dropped instead of holding that one back.
    if (trigger == UpdatePolicy::Trigger::DailySilent)
        inviteIfDue();
    start(trigger);
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

void UpdateController::inviteIfDue()
{
    const std::optional<Alert> invitation = m_policy.invitation();
    if (!invitation)
        return;
    const Alert::Role answer = m_presentAlert(*invitation);
    if (answer == Alert::CheckNow)
        checkNow();
    else if (answer == Alert::OpenWebsite)
        m_openUrl(SupportLinks::homePage());
}

} // namespace quillory
