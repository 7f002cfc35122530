#include "merge/runcommands.h"

#include "core/document.h"
#include "core/locationbookmark.h"
#include "merge/generateditems.h"
#include "merge/posixfilesystem.h"
#include "merge/runlog.h"

#include <QFileInfo>

namespace quillory {

Result<> RunCommands::selectDestinationFolder(Document& doc, const QString& path)
{
    doc.switchMainTabToFilePrototype();
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("The folder '") + path + QStringLiteral("' does not exist"));
    if (!info.isDir())
        return fail(QStringLiteral("'") + path + QStringLiteral("' is not a folder"));
    std::optional<QByteArray> bookmark =
        LocationBookmark::make(path, LocationBookmark::Access::ReadWrite);
    if (!bookmark)
        return fail(QStringLiteral("Cannot remember the folder '") + path + QLatin1Char('\''));
    doc.setSelectedDestinationBookmark(std::move(bookmark));
    doc.setSelectedDestinationDefined(true);
    // Saved state changed.
    doc.updateChangeCount();
    return {};
}

std::optional<Alert> RunCommands::checkDestination(Document& doc, FileSystem& fs)
{
    if (!doc.selectedDestinationDefined())
        return Alert::destinationNotSet();
    bool isStale = false;
    std::optional<QString> path;
    if (doc.selectedDestinationBookmark())
        path = LocationBookmark::resolve(*doc.selectedDestinationBookmark(), &isStale);
    if (path && !isStale && fs.isDirectory(*path))
        return std::nullopt;
    doc.setSelectedDestinationDefined(false);
    doc.updateChangeCount();
    return Alert::destinationNeedsReset();
}

Result<RunTotals> RunCommands::run(Document& doc, FileSystem& fs,
                                   const MergeRun::Progress& progress)
{
    if (std::optional<Alert> alert = checkDestination(doc, fs))
        return Failure{alert->messageText, std::move(alert)};
    return doRun(doc, fs, progress);
}

Result<RunTotals> RunCommands::run(Document& doc)
{
    PosixFileSystem fs;
    return run(doc, fs);
}

std::optional<RunSnapshot> RunCommands::beginRun(Document& doc)
{
    // Showing the run tab rebuilds the generated items, so the snapshot comes after it.
    doc.switchMainTabToRun();
    GeneratedItems::rebuild(doc);
    return RunSnapshot::take(doc);
}

Result<RunTotals> RunCommands::doRun(Document& doc, FileSystem& fs,
                                     const MergeRun::Progress& progress)
{
    std::optional<RunSnapshot> snapshot = beginRun(doc);
    if (!snapshot)
        return fail(QStringLiteral("the destination folder cannot be used"));
    MergeRun run(std::move(*snapshot), fs);
    run.setLogSink([&doc](const QString& piece) { RunLog::appendToLogView(doc, piece); });
    run.setProgress(progress);
    return run.execute();
}

} // namespace quillory
