#pragma once

#include "merge/mergerun.h"
#include "merge/posixfilesystem.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace quillory {

// Performs one run on a thread of its own and keeps what it logs and how far it got for the
// window's thread to collect, so that the window stays responsive and the log keeps its order.
class RunWorker
{
public:
    explicit RunWorker(RunSnapshot snapshot);
    // Cancels a run still going and waits for it: the run never outlives what it reports to.
    ~RunWorker();
    RunWorker(const RunWorker&) = delete;
    RunWorker& operator=(const RunWorker&) = delete;

    void start();
    // Safe at any time; the run stops after the item it is creating.
    void requestCancel();

    // The log pieces appended since the last call, joined in their order.
    QString takeLog();
    qint64 stepsDone() const { return m_done.load(std::memory_order_relaxed); }
    qint64 stepsTotal() const { return m_total.load(std::memory_order_relaxed); }
    // True once the run has ended; its last pieces are then waiting in takeLog.
    bool isFinished() const { return m_finished.load(std::memory_order_acquire); }
    // After isFinished: the totals, or why the run did not start.
    const std::optional<Result<RunTotals>>& result() const { return m_result; }
    bool wasCancelled() const { return m_run.wasCancelled(); }

private:
    PosixFileSystem m_fs;
    MergeRun m_run;
    std::thread m_thread;
    std::mutex m_mutex;
    QString m_pending;
    std::atomic<qint64> m_done{0};
    std::atomic<qint64> m_total{0};
    std::atomic<bool> m_finished{false};
    std::optional<Result<RunTotals>> m_result;
};

} // namespace quillory
