#pragma once

#include "shell/updatepolicy.h"

#include <QObject>

#include <functional>

class QUrl;

namespace quillory {

class FeedFetcher;
class UserDefaults;

// The update check as the user meets it: starts checks (launch, "Software Update…", "Check
// Now"), fetches the feed and shows what the policy says with its buttons.
class UpdateController : public QObject
{
    Q_OBJECT
public:
    // Shows an alert and answers the role of the button chosen (Cancel when closed).
    using AlertPresenter = std::function<Alert::Role(const Alert&)>;
    using UrlOpener = std::function<void(const QUrl&)>;

    UpdateController(UserDefaults& defaults, AlertPresenter presentAlert, UrlOpener openUrl,
                     UpdatePolicy::Clock clock = {}, QObject* parent = nullptr);

    // What launching does: on the first launch, asks whether releases may be checked for
    // (No unless the user says so); then the daily check, when the answer (or the Update
    // preference since) allows it. Nothing reaches the network otherwise.
    void launchProcedure();
    // The first launch's question: "Don't Check" first, so that Return and Escape say No.
    static Alert updateCheckQuestion();
    // "Software Update…": tells every outcome. Dropped while a check runs.
    void checkNow();
    // Starts a check; false when the policy dropped it.
    bool start(UpdatePolicy::Trigger trigger);
    // From the start of a check until its alert, if any, was answered.
    bool isChecking() const { return m_policy.isChecking() || m_answering; }
    FeedFetcher& fetcher() const { return *m_fetcher; }

signals:
    // After a check's result was handled (and its alert, if any, answered).
    void checkFinished(quillory::UpdatePolicy::Notice notice);

private:
    void handle(const UpdatePolicy::Check& check, const std::optional<UpdateFeed>& feed);

    UserDefaults& m_defaults;
    UpdatePolicy m_policy;
    FeedFetcher* m_fetcher;
    AlertPresenter m_presentAlert;
    UrlOpener m_openUrl;
    bool m_answering = false;
};

} // namespace quillory
