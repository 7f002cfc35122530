#pragma once

#include "core/alert.h"
#include "merge/mergerun.h"

#include <optional>

namespace quillory {

class Document;
class FileSystem;

// The document's run commands: choosing the destination, checking it and running the merge
// with its log going to the document.
class RunCommands
{
public:
    // Shows the destination tab; takes path as the destination when it is an existing folder,
    // else fails saying why.
    static Result<> selectDestinationFolder(Document& doc, const QString& path);

    // run: fails with the alert to show when the destination is not set or no longer usable
    // (which also forgets it); otherwise runs and gives the totals.
    static Result<RunTotals> run(Document& doc, FileSystem& fs,
                                 const MergeRun::Progress& progress = {});
    static Result<RunTotals> run(Document& doc);
    // The destination checks of run alone.
    static std::optional<Alert> checkDestination(Document& doc, FileSystem& fs);

    // doRun: shows the run tab, then runs on a snapshot taken now, appending to the log.
    static Result<RunTotals> doRun(Document& doc, FileSystem& fs,
                                   const MergeRun::Progress& progress = {});
    // The first steps of doRun, for a caller that runs the snapshot on another thread: shows
    // the run tab and takes the snapshot; none when the destination does not resolve.
    static std::optional<RunSnapshot> beginRun(Document& doc);
};

} // namespace quillory
