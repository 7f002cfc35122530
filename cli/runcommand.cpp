#include "cli/clicontext.h"
#include "cli/commands.h"
#include "merge/mergerun.h"
#include "merge/posixfilesystem.h"
#include "merge/runcommands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace quillory {

int runCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli run DOC [--destination DIR]\nRuns the merge and prints the run log. With "
        "--destination the run goes into DIR, and the document's own destination is neither "
        "used nor changed. The document is never written.");
    QCommandLineParser parser;
    const QCommandLineOption destination(QStringLiteral("destination"),
                                         QStringLiteral("Run into this folder instead."),
                                         QStringLiteral("DIR"));
    parser.addOption(destination);
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 1, 1, &code))
        return code;
    auto doc = ctx.loadDocument(parser.positionalArguments().front());
    if (!doc)
        return ExitUsage;

    PosixFileSystem fs;
    std::optional<RunSnapshot> snapshot;
    if (parser.isSet(destination)) {
        const QFileInfo dir(parser.value(destination));
        if (!dir.isDir())
            return ctx.fail(ExitNoDestination,
                            QStringLiteral("'%1' is not a folder").arg(parser.value(destination)));
        doc->switchMainTabToRun();
        snapshot = RunSnapshot::share(*doc, QDir::cleanPath(dir.absoluteFilePath()));
    } else {
        if (const std::optional<Alert> alert = RunCommands::checkDestination(*doc, fs))
            return ctx.fail(ExitNoDestination,
                            alert->messageText + QStringLiteral(": ") + alert->informativeText +
                                QStringLiteral(" (quillory-cli destination DOC DIR)"));
        snapshot = RunCommands::beginRun(*doc);
        if (!snapshot)
            return ctx.fail(ExitNoDestination,
                            QStringLiteral("the destination folder cannot be used"));
    }

    // The log goes out exactly as the log view would hold it, flushed a few times a second so
    // that a terminal follows a long run without one write per piece.
    QElapsedTimer sinceFlush;
    sinceFlush.start();
    MergeRun run(std::move(*snapshot), fs);
    run.setLogSink([&](const QString& piece) {
        ctx.out() << piece;
        if (sinceFlush.elapsed() >= 200) {
            ctx.out().flush();
            sinceFlush.restart();
        }
    });
    const Result<RunTotals> totals = run.execute();
    ctx.out().flush();
    if (!totals)
        return ctx.fail(ExitNoDestination, totals.message());
    return totals->errors > 0 ? ExitRunErrors : ExitOk;
}

} // namespace quillory
