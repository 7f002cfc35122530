#pragma once

#include "core/result.h"
#include "merge/runsnapshot.h"

#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

namespace quillory {

class DestinationWriter;
class FileSystem;

// What a run created, and what it logged as not done.
struct RunTotals
{
    qint64 foldersCreated = 0;
    qint64 filesCreated = 0;
    // Files left alone because something was already there.
    qint64 filesSkipped = 0;
    // Items that were rejected or could not be created (each logged as an error).
    qint64 errors = 0;
    bool operator==(const RunTotals&) const = default;
};

// One run over a snapshot: walks the generated items in order (a One per Record item once per
// record, an All in One item once), creates what is missing under the destination and hands
// each log piece to a sink in order. Touches no document, so it may run on any thread.
class MergeRun
{
public:
    using LogSink = std::function<void(const QString& piece)>;
    // done and total count the units of RunSnapshot::totalSteps.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    MergeRun(RunSnapshot snapshot, FileSystem& fs);

    void setLogSink(LogSink sink) { m_sink = std::move(sink); }
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Performs the run; fails when access to the destination is refused (nothing is logged).
    Result<RunTotals> execute();

    // May be called from any thread: the run stops after the item it is creating, logs that it
    // was cancelled and ends with the totals so far, as a finished run does.
    void requestCancel() { m_cancelRequested.store(true, std::memory_order_relaxed); }
    // Whether the last execute stopped early for a cancel.
    bool wasCancelled() const { return m_cancelled; }

    // With batch > 0 the names and contents of a One per Record item are expanded on another
    // thread, batch records at a time, while the previous batch is created. Off by default: on
    // a busy machine the run waits for that thread to be scheduled, which costs more than it
    // saves. 0 expands each record right before its creation; runs of no more records than a
    // batch never start a thread.
    void setExpansionAhead(size_t batch) { m_aheadBatch = batch; }

private:
    // recordNumber counts from 1 for a One per Record item; none for an All in One item.
    void createItem(DestinationWriter& dest, const GeneratedItem& item, const QString& relativePath,
                    std::optional<qint64> recordNumber,
                    const std::function<Result<QString>()>& content);
    void createEachRecordAhead(DestinationWriter& dest, const GeneratedItem& item,
                               const Prototype& proto);
    void reject(const GeneratedItem& item, const QString& message,
                std::optional<qint64> recordNumber);
    // The log piece of a creation that failed; the first failure under a folder that a file
    // stands in the place of names that file instead of the system's words.
    QString failure(const DestinationWriter& dest, int folderError, const QString& relativePath,
                    const QString& fullPath, bool isFolder, const QString& description);
    void log(const QString& piece);
    void advance(qint64 steps);
    bool stopRequested();

    RunSnapshot m_snapshot;
    FileSystem& m_fs;
    LogSink m_sink;
    Progress m_progress;
    RunTotals m_totals;
    qint64 m_done = 0;
    qint64 m_total = 0;
    std::atomic<bool> m_cancelRequested{false};
    bool m_cancelled = false;
    size_t m_aheadBatch = 0;
    // The files in the way of folders that this run has named already.
    QSet<QString> m_namedBlockers;
};

} // namespace quillory
