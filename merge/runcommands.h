#pragma once

#include "core/alert.h"
#include "merge/mergerun.h"

#include <functional>
#include <optional>

namespace quillory {

class Document;
class FileSystem;

// Running a document's merge: checking its destination, then running on a snapshot of it,
// each log piece going to the caller. The document is only read.
class RunCommands
{
public:
    using LogSink = std::function<void(const QString& piece)>;

    // The alert to show when the destination is not set or no longer usable (a missing
    // folder stays the chosen one, so that it works again once the disk is back); none
    // when a run may start.
    static std::optional<Alert> checkDestination(const Document& doc, FileSystem& fs);
    // Checks the destination, then runs and gives the totals; fails with the alert when the
    // destination cannot be used.
    static Result<RunTotals> run(const Document& doc, FileSystem& fs, const LogSink& log,
                                 const MergeRun::Progress& progress = {});
};

} // namespace quillory
