#pragma once

#include "core/alert.h"
#include "shell/startupaction.h"
#include "shell/startupdocument.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QMenuBar;
class QUrl;
class QWidget;

namespace quillory {

class Application;
class DemoDocumentsWindow;
class PreferencesWindow;
class UpdateController;
class UserDefaults;

// What the application does around its documents: the startup action, the preferences, the
// update check, the user guide, the maker's pages and the demo documents, with the menu
// entries that reach them from every document window.
class Shell : public QObject
{
    Q_OBJECT
public:
    Shell(Application& app, UserDefaults& defaults, QObject* parent = nullptr);
    ~Shell() override;

    // Seams for the tests; by default message boxes, the desktop's URL handler, its file
    // manager and the open dialog. presentAlert gives the role of the button pressed (Cancel
    // when closed).
    std::function<Alert::Role(QWidget* parent, const Alert& alert)> presentAlert;
    std::function<bool(const QUrl& url)> openUrl;
    std::function<void(const QString& path)> showInFileManager;
    std::function<void()> showOpenPanel;

    // Adds Preferences… to the Edit menu and the Help menu to bar.
    void addMenus(QMenuBar* bar, QMenu* edit);

    // Carries out "StartupActionTag" once the documents given at launch are open; emits
    // startupFinished when it is done.
    void carryOutStartupAction(bool documentsGivenAtLaunch);
    // Replaces the one-second wait of actions 0 and 1 (tests).
    void setStartupDelay(int milliseconds) { m_startupDelay = milliseconds; }

    // The preferences window, made on first use; tab selects a pane when it is in range.
    PreferencesWindow* preferences();
    void openPreferences(int tab = -1);
    bool preferencesVisible() const;
    // Closes the preferences and demo-documents windows.
    void closeWindows();
    void openUserGuide();
    void showAbout(QWidget* parent);
    void openDemoDocuments();
    DemoDocumentsWindow* demoDocumentsWindow() const;
    void emailSupport();

    StartupDocument& startupDocument() { return m_startupDocument; }
    void selectStartupDocument(QWidget* parent);
    void clearStartupDocument();
    void openStartupDocumentNow();
    void revealStartupDocument();

    UpdateController& updates() const { return *m_updates; }

    // Where the installed (or built) user guide and bundled examples are; empty when absent.
    static QString userGuidePath();
    static QString examplesFolder();

signals:
    void startupFinished();
    void startupStatusChanged();

private:
    void performStartupAction(StartupAction action);
    void openStartupDocumentAtLaunch();

    Application& m_app;
    UserDefaults& m_defaults;
    StartupDocument m_startupDocument;
    UpdateController* m_updates;
    std::unique_ptr<PreferencesWindow> m_preferences;
    QPointer<DemoDocumentsWindow> m_demo;
    std::optional<int> m_startupDelay;
};

} // namespace quillory
