#include "merge/mergerun.h"

#include "merge/destinationwriter.h"
#include "merge/filesystem.h"
#include "merge/pathcheck.h"
#include "merge/runlog.h"
#include "prototypes/mergecontent.h"

#include <algorithm>
#include <cerrno>
#include <future>

namespace quillory {

MergeRun::MergeRun(RunSnapshot snapshot, FileSystem& fs) : m_snapshot(std::move(snapshot)), m_fs(fs)
{}

Result<RunTotals> MergeRun::execute()
{
    if (!m_fs.startAccessing(m_snapshot.accessPath))
        return fail(QStringLiteral("access to the destination folder '%1' was refused")
                        .arg(m_snapshot.accessPath));
    DestinationWriter dest(m_fs, m_snapshot.destinationPath);
    const SubstitutionContext& ctx = m_snapshot.context;
    const std::vector<Record>& records = m_snapshot.records;

    log(RunLog::startLine(m_snapshot.destinationPath));
    log(RunLog::rule());
    m_totals = {};
    m_namedBlockers.clear();
    m_cancelled = false;
    m_done = 0;
    m_total = m_snapshot.totalSteps();
    if (m_progress)
        m_progress(0, m_total);

    for (const GeneratedItem& item : m_snapshot.items) {
        if (stopRequested())
            break;
        const qint64 steps = item.isMulti ? qint64(records.size()) : 1;
        const std::optional<Prototype>* slot =
            item.originalPos >= 0 && item.originalPos < qint64(m_snapshot.prototypes.size())
                ? &m_snapshot.prototypes[size_t(item.originalPos)]
                : nullptr;
        // The Prototype list changed since the items were made: the item no longer says
        // what to create, so it is left out rather than guessed.
        if (!slot || !*slot) {
            advance(steps);
            continue;
        }
        const Prototype& proto = **slot;
        if (item.isMulti && m_aheadBatch > 0 && records.size() > m_aheadBatch) {
            createEachRecordAhead(dest, item, proto);
        } else if (item.isMulti) {
            for (size_t i = 0; i < records.size() && !stopRequested(); ++i) {
                const Record& rec = records[i];
                const ExpandedText relative = ctx.expandBothTags(item.path, rec);
                if (relative.tooLarge)
                    reject(item, MergeContent::tooLargeMessage(), qint64(i) + 1);
                else
                    createItem(dest, item, relative.text.value_or(QString()), qint64(i) + 1, [&] {
                        return MergeContent::checkedOneRecordContent(ctx, proto, rec);
                    });
                advance(1);
            }
        } else {
            const ExpandedText relative = ctx.expandStandardTags(item.path);
            if (relative.tooLarge)
                reject(item, MergeContent::tooLargeMessage(), std::nullopt);
            else
                createItem(dest, item, relative.text.value_or(QString()), std::nullopt, [&] {
                    return MergeContent::checkedAllInOneContent(ctx, proto, records);
                });
            advance(1);
        }
    }

    if (m_cancelled)
        log(RunLog::cancelled());
    log(RunLog::rule());
    log(RunLog::totals(m_totals.foldersCreated, m_totals.filesCreated));
    log(RunLog::rule());
    m_fs.stopAccessing(m_snapshot.accessPath);
    return m_totals;
}

namespace {

// One record's name for an item and, for a file, its content, expanded ahead of its creation.
struct ExpandedRecord
{
    ExpandedText relative;
    Result<QString> content = QString();
};

std::vector<ExpandedRecord> expandRecords(const SubstitutionContext& ctx, const GeneratedItem& item,
                                          const Prototype& proto,
                                          const std::vector<Record>& records, size_t begin,
                                          size_t end)
{
    std::vector<ExpandedRecord> out;
    out.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        ExpandedRecord& e = out.emplace_back();
        e.relative = ctx.expandBothTags(item.path, records[i]);
        if (!item.isFolder && !e.relative.tooLarge)
            e.content = MergeContent::checkedOneRecordContent(ctx, proto, records[i]);
    }
    return out;
}

} // namespace

void MergeRun::createEachRecordAhead(DestinationWriter& dest, const GeneratedItem& item,
                                     const Prototype& proto)
{
    const SubstitutionContext& ctx = m_snapshot.context;
    const std::vector<Record>& records = m_snapshot.records;
    const size_t count = records.size();
    // The next batch is expanded on another thread (or, where none can be started, when it
    // is asked for) while this one is created; the order of creations and log pieces stays.
    auto expandFrom = [&](size_t begin) {
        return std::async(expandRecords, std::cref(ctx), std::cref(item), std::cref(proto),
                          std::cref(records), begin, std::min(begin + m_aheadBatch, count));
    };
    std::future<std::vector<ExpandedRecord>> next = expandFrom(0);
    for (size_t begin = 0; begin < count && !stopRequested();) {
        std::vector<ExpandedRecord> batch = next.get();
        const size_t end = begin + batch.size();
        if (end < count)
            next = expandFrom(end);
        for (size_t i = begin; i < end && !stopRequested(); ++i) {
            ExpandedRecord& e = batch[i - begin];
            if (e.relative.tooLarge)
                reject(item, MergeContent::tooLargeMessage(), qint64(i) + 1);
            else
                createItem(dest, item, e.relative.text.value_or(QString()), qint64(i) + 1,
                           [&e] { return std::move(e.content); });
            advance(1);
        }
        begin = end;
    }
    // A future of std::async waits for its expansion when it goes, so none outlives the run.
}

void MergeRun::createItem(DestinationWriter& dest, const GeneratedItem& item,
                          const QString& relativePath, std::optional<qint64> recordNumber,
                          const std::function<Result<QString>()>& content)
{
    const QString fullPath = dest.fullPath(relativePath);
    QString message;
    // A ".." names a place whose existence says nothing about the destination: reject it
    // before anything else looks there.
    if (PathCheck::parentReferenceError(relativePath, fullPath, item.isFolder, &message)) {
        reject(item, message, recordNumber);
        return;
    }
    const DestinationWriter::Place place = dest.locate(relativePath);
    // The creating call is the existence check: mkdirat and the no-replace rename both say
    // when something is there. Where a path would be rejected, or the content cannot be
    // made, what exists is looked at first, so that the log says what it always said.
    const bool rejected = (item.isFolder ? PathCheck::existsErrorForFolderPath(fullPath, &message)
                                         : PathCheck::existsErrorForFilePath(fullPath, &message)) ||
                          place.leadsOutside();
    if (item.isFolder) {
        if (rejected) {
            if (dest.exists(place, fullPath))
                return;
            reject(item,
                   message.isEmpty() ? PathCheck::outsideDestinationError(fullPath, true) : message,
                   recordNumber);
            return;
        }
        const FsStatus status = dest.createFolder(place, fullPath);
        if (status.isOk()) {
            ++m_totals.foldersCreated;
            log(RunLog::createdFolder(relativePath));
        } else if (status.isFailed()) {
            ++m_totals.errors;
            log(failure(dest, place.folderError, relativePath, fullPath, true, status.message));
        }
        // Something already at the name is an existing folder (or, for a file in the way,
        // what the items inside it will name): skipped silently.
        return;
    }

    auto skipped = [&] {
        ++m_totals.filesSkipped;
        log(RunLog::skippedFile(relativePath));
    };
    if (rejected) {
        if (dest.exists(place, fullPath))
            skipped();
        else
            reject(item,
                   message.isEmpty() ? PathCheck::outsideDestinationError(fullPath, false)
                                     : message,
                   recordNumber);
        return;
    }
    // A text too large to make is this item's error; the run goes on with the next one.
    const Result<QString> text = content();
    if (!text) {
        if (dest.exists(place, fullPath))
            skipped();
        else
            reject(item, text.message(), recordNumber);
        return;
    }
    const FsStatus status = dest.writeFile(place, fullPath, text->toUtf8());
    if (status.isOk()) {
        ++m_totals.filesCreated;
        log(RunLog::createdFile(relativePath));
    } else if (status.isExists() || dest.exists(place, fullPath)) {
        // A temporary file that cannot be made (a read-only folder) says nothing of the name.
        skipped();
    } else {
        ++m_totals.errors;
        log(failure(dest, place.folderError, relativePath, fullPath, false, status.message));
    }
}

QString MergeRun::failure(const DestinationWriter& dest, int folderError,
                          const QString& relativePath, const QString& fullPath, bool isFolder,
                          const QString& description)
{
    if (folderError != ENOTDIR)
        return RunLog::error(description);
    // Look for the file among the folders on the way, nearest the destination first. Only the
    // message depends on this, so names are enough.
    QString folders = relativePath;
    while (folders.endsWith(u'/'))
        folders.chop(1);
    folders.truncate(std::max<qsizetype>(folders.lastIndexOf(u'/'), 0));
    for (qsizetype end = 0; end >= 0 && end < folders.size();) {
        end = folders.indexOf(u'/', end + 1);
        const QString blocking = dest.fullPath(end < 0 ? folders : folders.left(end));
        if (!m_fs.exists(blocking))
            break;
        if (m_fs.isDirectory(blocking))
            continue;
        if (m_namedBlockers.contains(blocking))
            break;
        m_namedBlockers.insert(blocking);
        return RunLog::blockedByFile(isFolder, fullPath, blocking);
    }
    return RunLog::error(description);
}

void MergeRun::reject(const GeneratedItem& item, const QString& message,
                      std::optional<qint64> recordNumber)
{
    ++m_totals.errors;
    log(RunLog::pathRejected(message));
    log(recordNumber ? RunLog::oneRecordError(item.path, *recordNumber)
                     : RunLog::allInOneError(item.path));
}

void MergeRun::log(const QString& piece)
{
    if (m_sink)
        m_sink(piece);
}

bool MergeRun::stopRequested()
{
    // Checked only between items, so whatever was being created is complete.
    if (m_cancelRequested.load(std::memory_order_relaxed))
        m_cancelled = true;
    return m_cancelled;
}

void MergeRun::advance(qint64 steps)
{
    m_done += steps;
    if (m_progress && steps > 0)
        m_progress(m_done, m_total);
}

} // namespace quillory
