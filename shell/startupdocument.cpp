#include "shell/startupdocument.h"

#include "core/locationbookmark.h"
#include "core/userdefaultkeys.h"
#include "core/userdefaults.h"

#include <QFileInfo>

namespace quillory {

namespace {

const QString kSelectPrompt = QStringLiteral("Please select a file or change startup option");

} // namespace

const QString StartupDocument::kBookmarkKey = UserDefaultKeys::kStartupDocumentBookmark;

StartupDocument::StartupDocument(UserDefaults& defaults) : m_defaults(defaults) {}

Alert StartupDocument::notSpecifiedAlert()
{
    return {
        QStringLiteral("Preference was set to open at startup a document without specifying it"),
        QStringLiteral("You can fix the problem in the preferences"),
        {QStringLiteral("Open Preferences"), QStringLiteral("Cancel")},
        true,
        {Alert::OpenPreferences, Alert::Cancel}};
}

Alert StartupDocument::accessRefusedAlert()
{
    return {
        QStringLiteral("The system is negating the access to the document selected to be opened at "
                       "startup"),
        QStringLiteral("It must be selected in the preferences or the startup action must be "
                       "changed"),
        {QStringLiteral("Open Preferences"), QStringLiteral("Cancel")},
        true,
        {Alert::OpenPreferences, Alert::Cancel}};
}

void StartupDocument::setStatus(const QString& message, bool specified)
{
    m_status = message;
    m_specified = specified;
    if (statusChanged)
        statusChanged();
}

std::optional<QString> StartupDocument::currentPath() const
{
    const std::optional<QString> path =
        LocationBookmark::resolve(m_defaults.dataValue(kBookmarkKey), nullptr);
    if (!path || path->isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> StartupDocument::resolveRenewing()
{
    bool stale = false;
    std::optional<QString> path =
        LocationBookmark::resolve(m_defaults.dataValue(kBookmarkKey), &stale);
    if (!path || path->isEmpty())
        return std::nullopt;
    if (stale) {
        if (const std::optional<QByteArray> renewed =
                LocationBookmark::make(*path, LocationBookmark::Access::ReadWrite)) {
            m_defaults.setValue(kBookmarkKey, *renewed);
            setStatus(QStringLiteral("Bookmark renewed"), m_specified);
            path = LocationBookmark::resolve(*renewed, nullptr);
            if (!path || path->isEmpty())
                return std::nullopt;
        }
    }
    return path;
}

StartupDocument::Resolution StartupDocument::resolveForLaunch()
{
    const std::optional<QString> path = resolveRenewing();
    if (!path) {
        setStatus(kSelectPrompt, false);
        return {Outcome::NotSpecified, QString()};
    }
    if (!LocationBookmark::checkAccess(*path, LocationBookmark::Access::ReadOnly)) {
        setStatus(QStringLiteral("Not valid Startup Document selected. Please re-select"), true);
        return {Outcome::AccessRefused, QString()};
    }
    return {Outcome::Open, *path};
}

std::optional<QString> StartupDocument::resolveForOpenNow()
{
    const std::optional<QString> path = resolveRenewing();
    if (!path) {
        // Data that resolves to nothing at all leaves the status as it is.
        if (m_defaults.dataValue(kBookmarkKey).isEmpty())
            setStatus(kSelectPrompt, m_specified);
        return std::nullopt;
    }
    if (!LocationBookmark::checkAccess(*path, LocationBookmark::Access::ReadOnly))
        return std::nullopt;
    return path;
}

std::optional<QString> StartupDocument::resolveForReveal()
{
    const std::optional<QString> path = resolveRenewing();
    if (!path || !QFileInfo::exists(*path))
        return std::nullopt;
    return path;
}

bool StartupDocument::choose(const QString& path)
{
    const std::optional<QByteArray> bookmark =
        LocationBookmark::make(path, LocationBookmark::Access::ReadWrite);
    if (!bookmark)
        return false;
    m_defaults.setValue(kBookmarkKey, *bookmark);
    setStatus(QString(), true);
    return true;
}

void StartupDocument::clear()
{
    m_defaults.setValue(kBookmarkKey, QByteArray());
    setStatus(kSelectPrompt, false);
}

} // namespace quillory
