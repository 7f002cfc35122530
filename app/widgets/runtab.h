#pragma once

#include "merge/mergerun.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
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

// The run tab: the destination, the run with its progress, the window's run log and, after a
// run, a summary of what it made, skipped and failed. The run goes on in another thread over a
// snapshot of the document; its log is collected here in batches.
class RunTab : public QWidget
{
    Q_OBJECT
public:
    RunTab(UndoStack* stack, WindowState* state, QWidget* parent = nullptr);
    ~RunTab() override;

    bool isRunning() const { return m_worker != nullptr; }
    LogView* logView() const { return m_log; }
    // The bar under the run buttons that sums up the last run (hidden before the first).
    QWidget* summaryBar() const { return m_summary; }

    // The switch between the destination's full path and its name.
    QCheckBox* fullPathSwitch() const { return m_fullPath; }

    // The commands of the tab's buttons, for the window's menus.
    void chooseDestination();
    void showDestinationInFileManager();
    void run();
    void cancel();
    void clearLog();
    // Whether Cancel and Show in File Manager apply now, as their buttons show it.
    bool canCancel() const;
    bool canShowDestination() const;

signals:
    // Run was asked for: emitted before the run looks at the document, so that whatever the
    // window holds unsaved (an open editor) can go into the document first.
    void runRequested();
    // While a run goes on the document must not be edited: the window disables its editing.
    void runningChanged(bool running);
    // A run ended with these totals (cancelled: it stopped early), or made nothing, for reason.
    void runEnded(const quillory::RunTotals& totals, bool cancelled);
    void runFailed(const QString& reason);
    // A button of the tab was enabled or disabled: the menus follow.
    void commandsChanged();

private:
    void showDestination();
    // The destination as the field shows it: its path or its name, as the switch says.
    QString destinationText() const;
    // Chooses the folder typed in the destination field, or says why it cannot be chosen.
    void chooseTypedDestination();
    // Moves what the run logged since the last call to the window's log and the view.
    void collect();
    void setRunning(bool running);
    // Asks before a run whose Prototypes use tags that match no field; true to run.
    bool confirmUnknownTags();
    void showSummary(const QString& text, bool anyProblem);
    void hideSummary();
    void showOnlyProblems(bool only);

    UndoStack* m_stack;
    const Document* m_doc;
    WindowState* m_state;
    QLineEdit* m_destination = nullptr;
    QLabel* m_destinationProblem = nullptr;
    QCheckBox* m_fullPath = nullptr;
    QPushButton* m_choose = nullptr;
    QPushButton* m_show = nullptr;
    QPushButton* m_run = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_clear = nullptr;
    QProgressBar* m_progress = nullptr;
    LogView* m_log = nullptr;
    QWidget* m_summary = nullptr;
    QLabel* m_summaryIcon = nullptr;
    QLabel* m_summaryText = nullptr;
    QPushButton* m_problemsOnly = nullptr;
    // Where the last run's pieces start in the log, and the log's length when it ended: the
    // summary holds while the log is as that run left it.
    qsizetype m_runStart = 0;
    qsizetype m_runEnd = -1;
    QTimer* m_collectTimer = nullptr;
    std::unique_ptr<RunWorker> m_worker;
};

} // namespace quillory
