#include "app/shell/shell.h"

#include "app/dialogs/alertbox.h"
#include "app/dialogs/dialogfolder.h"
#include "app/document/documentwindow.h"
#include "app/platform/filemanager.h"
#include "app/preferences/preferenceswindow.h"
#include "app/shell/application.h"
#include "app/support/demodocumentswindow.h"
#include "app/update/updatecontroller.h"
#include "core/userdefaultkeys.h"
#include "core/userdefaults.h"
#include "shell/releaseinfo.h"
#include "shell/supportlinks.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSysInfo>
#include <QTimer>
#include <QUrl>

namespace quillory {

namespace {

// The first of the candidate paths that exists.
QString firstExisting(const QStringList& candidates)
{
    for (const QString& path : candidates)
        if (QFileInfo::exists(path))
            return QFileInfo(path).absoluteFilePath();
    return QString();
}

// Installed files sit in share/ next to bin/; a build tree finds them where it made them.
QString installedShare(const QString& relative)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../share/") + relative;
}

} // namespace

Shell::Shell(Application& app, UserDefaults& defaults, QObject* parent)
    : QObject(parent), m_app(app), m_defaults(defaults), m_startupDocument(defaults)
{
    presentAlert = [](QWidget* parent, const Alert& alert) { return showAlert(parent, alert); };
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    showInFileManager = [](const QString& path) { quillory::showInFileManager(path); };
    showOpenPanel = [this] { m_app.openWithDialog(nullptr); };
    m_startupDocument.statusChanged = [this] { emit startupStatusChanged(); };
    m_updates = new UpdateController(
        defaults, [this](const Alert& alert) { return presentAlert(nullptr, alert); },
        [this](const QUrl& url) { openUrl(url); }, {}, this);
}

Shell::~Shell()
{
    delete m_demo.data();
}

void Shell::addMenus(QMenuBar* bar, QMenu* edit)
{
    if (edit) {
        edit->addSeparator();
        QAction* prefs = edit->addAction(tr("Pr&eferences…"), QKeySequence::Preferences, this,
                                         [this] { openPreferences(); });
        prefs->setMenuRole(QAction::PreferencesRole);
    }
    QMenu* help = bar->addMenu(tr("&Help"));
    // Each item with a letter of its own, answered while the menu is open.
    help->addAction(tr("%1 User &Guide").arg(ReleaseInfo::appName()), QKeySequence::HelpContents,
                    this, &Shell::openUserGuide);
    help->addAction(tr("&Demo Documents and Tutorials…"), this, &Shell::openDemoDocuments);
    help->addSeparator();
    help->addAction(tr("Visit Our &Web Site"), this, [this] { openUrl(SupportLinks::homePage()); });
    help->addAction(tr("%1 Web &Page").arg(ReleaseInfo::appName()), this,
                    [this] { openUrl(SupportLinks::productPage()); });
    help->addAction(tr("&Support Page"), this, [this] { openUrl(SupportLinks::supportPage()); });
    help->addAction(tr("&Follow Us"), this, [this] { openUrl(SupportLinks::socialPage()); });
    help->addAction(tr("&Email Support…"), this, &Shell::emailSupport);
    help->addSeparator();
    help->addAction(QStringLiteral("Software &Update…"), this, [this] { m_updates->checkNow(); });
    help->addSeparator();
    QAction* about = help->addAction(tr("&About %1").arg(ReleaseInfo::appName()), this,
                                     [this, bar] { showAbout(bar->window()); });
    about->setMenuRole(QAction::AboutRole);
}

void Shell::carryOutStartupAction(bool documentsGivenAtLaunch)
{
    const StartupAction action =
        StartupActions::fromTag(m_defaults.integerValue(UserDefaultKeys::kStartupAction));
    if (StartupActions::opensUntitledAtLaunch(action, documentsGivenAtLaunch))
        m_app.newDocument();
    const int delay = m_startupDelay.value_or(StartupActions::delayMilliseconds(action));
    // Even the actions without a wait run from the event loop, once launching is over.
    QTimer::singleShot(delay, this, [this, action] {
        if (StartupActions::actsAfterDelay(action, !m_app.windows().empty()))
            performStartupAction(action);
        emit startupFinished();
    });
}

void Shell::performStartupAction(StartupAction action)
{
    switch (action) {
    case StartupAction::NewDocument:
        m_app.newDocument();
        break;
    case StartupAction::OpenPanelIfNothingOpen:
    case StartupAction::OpenPanel:
        showOpenPanel();
        break;
    case StartupAction::StartupDocument:
        openStartupDocumentAtLaunch();
        break;
    case StartupAction::Nothing:
        break;
    }
}

void Shell::openStartupDocumentAtLaunch()
{
    const StartupDocument::Resolution r = m_startupDocument.resolveForLaunch();
    switch (r.outcome) {
    case StartupDocument::Outcome::Open:
        m_app.openDocument(r.path);
        break;
    case StartupDocument::Outcome::NotSpecified:
        if (presentAlert(nullptr, StartupDocument::notSpecifiedAlert()) == Alert::OpenPreferences)
            openPreferences();
        break;
    case StartupDocument::Outcome::AccessRefused:
        if (presentAlert(nullptr, StartupDocument::accessRefusedAlert()) == Alert::OpenPreferences)
            openPreferences();
        break;
    }
}

PreferencesWindow* Shell::preferences()
{
    if (!m_preferences)
        m_preferences = std::make_unique<PreferencesWindow>(*this, m_defaults);
    return m_preferences.get();
}

void Shell::openPreferences(int tab)
{
    PreferencesWindow* window = preferences();
    window->setPanelTab(tab);
    if (!window->isVisible())
        window->move(window->screen()->availableGeometry().center() - window->rect().center());
    window->show();
    window->raise();
    window->activateWindow();
}

bool Shell::preferencesVisible() const
{
    return m_preferences && m_preferences->isVisible();
}

void Shell::closeWindows()
{
    if (m_preferences)
        m_preferences->close();
    if (m_demo)
        m_demo->close();
}

void Shell::openUserGuide()
{
    const QString path = userGuidePath();
    if (path.isEmpty() || !openUrl(QUrl::fromLocalFile(path)))
        presentAlert(nullptr,
                     {tr("The user guide could not be opened."),
                      path.isEmpty()
                          ? tr("“%1.pdf” is not installed.").arg(ReleaseInfo::userGuideName())
                          : tr("No program to show PDF files was found."),
                      {tr("OK")},
                      true});
}

void Shell::showAbout(QWidget* parent)
{
    // The guide's place, so that it can be found without the Help menu (or told missing).
    const QString guide = userGuidePath();
    const QString guideText = guide.isEmpty()
                                  ? tr("The user guide is not installed.")
                                  : tr("User guide: %1").arg(QDir::toNativeSeparators(guide));
    QMessageBox::about(parent, tr("About %1").arg(ReleaseInfo::appName()),
                       QStringLiteral("<h3>%1</h3><p>%2</p><p>%3</p><p>%4</p><p>%5</p><p>%6</p>")
                           .arg(ReleaseInfo::appName(),
                                tr("Release %1").arg(ReleaseInfo::releaseString()),
                                ReleaseInfo::statement().toHtmlEscaped(), guideText.toHtmlEscaped(),
                                ReleaseInfo::vendorName().toHtmlEscaped(),
                                ReleaseInfo::licence().toHtmlEscaped()));
}

void Shell::openDemoDocuments()
{
    if (!m_demo) {
        m_demo = new DemoDocumentsWindow(
            examplesFolder(), [this](const QUrl& url) { openUrl(url); },
            [this](const QString& path) { m_app.openCopy(path); });
    }
    if (!m_demo->isVisible())
        m_demo->move(m_demo->screen()->availableGeometry().center() - m_demo->rect().center());
    m_demo->show();
    m_demo->raise();
    m_demo->activateWindow();
}

DemoDocumentsWindow* Shell::demoDocumentsWindow() const
{
    return m_demo;
}

void Shell::emailSupport()
{
    openUrl(SupportLinks::supportMail(QStringLiteral("Linux"), QSysInfo::prettyProductName()));
}

void Shell::selectStartupDocument(QWidget* parent)
{
    const QString path = QFileDialog::getOpenFileName(
        parent, tr("Select"), dialogStartFolder(parent), tr("Quillory documents (*.quillory)"));
    if (path.isEmpty())
        return;
    noteDialogFolder(path);
    m_startupDocument.choose(path);
}

void Shell::clearStartupDocument()
{
    m_startupDocument.clear();
}

void Shell::openStartupDocumentNow()
{
    if (const std::optional<QString> path = m_startupDocument.resolveForOpenNow())
        m_app.openDocument(*path);
}

void Shell::revealStartupDocument()
{
    if (const std::optional<QString> path = m_startupDocument.resolveForReveal())
        showInFileManager(*path);
}

QString Shell::userGuidePath()
{
    const QString name = ReleaseInfo::userGuideName() + QStringLiteral(".pdf");
    return firstExisting({installedShare(QStringLiteral("doc/quillory/") + name),
                          QStringLiteral(QUILLORY_BUILD_DIR "/docs/") + name});
}

QString Shell::examplesFolder()
{
    return firstExisting({installedShare(QStringLiteral("quillory/examples")),
                          QStringLiteral(QUILLORY_SOURCE_DIR "/examples")});
}

} // namespace quillory
