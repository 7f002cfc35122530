#pragma once

#include <QWidget>

#include <memory>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace quillory {

class Document;
class LogView;
class RunWorker;
class UndoStack;
class WindowState;

// The run tab: the destination, the run with its progress, and the window's run log. The run
// goes on in another thread over a snapshot of the document; its log is collected here in
// batches.
class RunTab : public QWidget
{
    Q_OBJECT
public:
    RunTab(UndoStack* stack, WindowState* state, QWidget* parent = nullptr);
    ~RunTab() override;

    bool isRunning() const { return m_worker != nullptr; }
    LogView* logView() const { return m_log; }

    // The commands of the tab's buttons, for the window's menus.
    void chooseDestination();
    void showDestinationInFileManager();
    void run();
    void cancel();
    void clearLog();

signals:
    // While a run goes on the document must not be edited: the window disables its editing.
    void runningChanged(bool running);

private:
    void showDestination();
    // Moves what the run logged since the last call to the window's log and the view.
    void collect();
    void setRunning(bool running);

    UndoStack* m_stack;
    const Document* m_doc;
    WindowState* m_state;
    QLineEdit* m_destination = nullptr;
    QCheckBox* m_fullPath = nullptr;
    QPushButton* m_choose = nullptr;
    QPushButton* m_show = nullptr;
    QPushButton* m_run = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_clear = nullptr;
    QProgressBar* m_progress = nullptr;
    LogView* m_log = nullptr;
    QTimer* m_collectTimer = nullptr;
    std::unique_ptr<RunWorker> m_worker;
};

} // namespace quillory
