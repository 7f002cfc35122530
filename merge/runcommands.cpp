#include "merge/runcommands.h"

#include "core/document.h"
#include "core/locationbookmark.h"
#include "merge/filesystem.h"

namespace quillory {

std::optional<Alert> RunCommands::checkDestination(const Document& doc, FileSystem& fs)
{
    if (!doc.selectedDestinationDefined())
        return Alert::destinationNotSet();
    bool isStale = false;
    std::optional<QString> path;
    if (doc.selectedDestinationBookmark())
        path = LocationBookmark::resolve(*doc.selectedDestinationBookmark(), &isStale);
    if (path && !isStale && fs.isDirectory(*path))
        return std::nullopt;
    return Alert::destinationNeedsReset();
}

Result<RunTotals> RunCommands::run(const Document& doc, FileSystem& fs, const LogSink& log,
                                   const MergeRun::Progress& progress)
{
    if (std::optional<Alert> alert = checkDestination(doc, fs))
        return Failure{alert->messageText, std::move(alert)};
    std::optional<RunSnapshot> snapshot = RunSnapshot::take(doc);
    if (!snapshot)
        return fail(QStringLiteral("the destination folder cannot be used"));
    MergeRun run(std::move(*snapshot), fs);
    run.setLogSink(log);
    run.setProgress(progress);
    return run.execute();
}

} // namespace quillory
