#pragma once

#include <QMainWindow>

#include <array>

class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QStackedWidget;
class QToolBar;

namespace quillory {

class Shell;
class UserDefaults;

// The preferences: a toolbar of three panes (General, Advanced, Update) over their pages.
// Showing a pane titles the window after it and gives the window that pane's content height,
// growing or shrinking downward from a fixed top edge. The controls edit the user defaults
// as they change.
class PreferencesWindow : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int kPaneCount = 3;

    PreferencesWindow(Shell& shell, UserDefaults& defaults, QWidget* parent = nullptr);
    ~PreferencesWindow() override;

    // Selects the pane's toolbar item and shows it; an index out of range does nothing.
    void setPanelTab(int index);
    int currentPane() const;
    // The height each pane's content is given: 220, 90, 155.
    static int paneHeight(int index);
    static QString paneTitle(int index);
    // The height of the pages' area now.
    int contentHeight() const;
    QToolBar* paneBar() const { return m_toolbar; }

private:
    void showPane(int index);
    QWidget* makeGeneralPane();
    QWidget* makeAdvancedPane();
    QWidget* makeUpdatePane();
    // Reads every control's value from the user defaults and the startup document's status.
    void refresh();

    Shell& m_shell;
    UserDefaults& m_defaults;
    int m_observer = -1;
    bool m_refreshing = false;
    QToolBar* m_toolbar;
    QActionGroup* m_paneActions;
    QStackedWidget* m_pages;

    QComboBox* m_startupAction = nullptr;
    QLabel* m_startupPath = nullptr;
    QLabel* m_startupStatus = nullptr;
    QCheckBox* m_leadingZeros = nullptr;
    QCheckBox* m_forceLength = nullptr;
    QSpinBox* m_totalLength = nullptr;
    QCheckBox* m_notifyUpdate = nullptr;
    QLabel* m_lastCheck = nullptr;
};

} // namespace quillory
