#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/dryrunfilesystem.h"
#include "cli/runevents.h"
#include "cli/unknowntags.h"
#include "merge/mergerun.h"
#include "merge/posixfilesystem.h"
#include "merge/runcommands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>

namespace quillory {

namespace {

// The log pieces of a dry run say what a run would do; the rest stays as the log has it.
QString dryRunPiece(const QString& piece)
{
    static const std::pair<QString, QString> rewordings[] = {
        {QStringLiteral("\nCreated folder: "), QStringLiteral("\nWould create folder: ")},
        {QStringLiteral("\nCreated file: "), QStringLiteral("\nWould create file: ")},
        {QStringLiteral("\nSkipped attempt to overwrite file: "),
         QStringLiteral("\nWould skip existing file: ")},
        {QStringLiteral("\nTotally created "), QStringLiteral("\nA run now would create ")},
    };
    for (const auto& [logged, dry] : rewordings)
        if (piece.startsWith(logged))
            return dry + piece.mid(logged.size());
    return piece;
}

// Whether --quiet keeps a piece: errors, and what the run made in total.
bool isErrorOrTotal(const QString& piece)
{
    return piece.startsWith(QLatin1String("\nERROR: ")) ||
           piece.startsWith(QLatin1String("\n>>>>> ERROR")) ||
           piece.startsWith(QLatin1String("\n\n")) ||
           piece.startsWith(QLatin1String("\nTotally created"));
}

// Why a run cannot start, and how to fix it.
QString noDestination(const Alert& alert)
{
    return alert.messageText + QStringLiteral(": ") + alert.informativeText +
           QStringLiteral(" (quillory-cli destination DOC DIR)");
}

} // namespace

int runCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli run DOC [--destination DIR] [--dry-run] [--strict] [--quiet|--json]\nRuns "
        "the "
        "merge and prints the run log. With --destination the run goes into DIR, and the "
        "document's own destination is neither used nor changed. With --dry-run nothing is "
        "created: each line says what a run would do now, with the same checks and exit "
        "status. The document is never written.");
    QCommandLineParser parser;
    const QCommandLineOption destination(QStringLiteral("destination"),
                                         QStringLiteral("Run into this folder instead."),
                                         QStringLiteral("DIR"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Show what a run would do; create nothing."));
    const QCommandLineOption strict(
        QStringLiteral("strict"),
        QStringLiteral("Refuse, before creating anything, tags that match no field or tag."));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Print only errors and the totals."));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Print one JSON object per line for each event, then the totals."));
    parser.addOptions({destination, dryRun, strict, quiet, json});
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 1, 1, &code))
        return code;
    auto doc = ctx.loadDocument(parser.positionalArguments().front());
    if (!doc)
        return ExitUsage;
    if (!checkUnknownTags(ctx, *doc, parser.isSet(strict)))
        return ExitUsage;

    PosixFileSystem disk;
    DryRunFileSystem pretend;
    FileSystem& fs = parser.isSet(dryRun) ? static_cast<FileSystem&>(pretend) : disk;
    // With --destination the document's own destination plays no part: the run works on a
    // snapshot made for that folder. Otherwise the destination is checked first, so that a
    // run that cannot start prints nothing but why.
    std::optional<RunSnapshot> snapshot;
    if (parser.isSet(destination)) {
        const QFileInfo dir(parser.value(destination));
        if (!dir.isDir())
            return ctx.fail(ExitNoDestination, QStringLiteral("'") + parser.value(destination) +
                                                   QStringLiteral("' is not a folder"));
        snapshot = RunSnapshot::share(*doc, QDir::cleanPath(dir.absoluteFilePath()));
    } else if (const std::optional<Alert> alert = RunCommands::checkDestination(*doc, fs)) {
        return ctx.fail(ExitNoDestination, noDestination(*alert));
    }

    // The log goes out as the log view would hold it, flushed a few times a second so that a
    // terminal follows a long run without one write per piece.
    QElapsedTimer sinceFlush;
    sinceFlush.start();
    const bool dry = parser.isSet(dryRun);
    const bool quietly = parser.isSet(quiet);
    const bool asJson = parser.isSet(json);
    if (quietly && asJson)
        return ctx.usageError(QStringLiteral("give at most one of --quiet and --json"));
    RunEvents events;
    const auto writeJson = [&ctx](const QJsonObject& o) {
        ctx.out() << QJsonDocument(o).toJson(QJsonDocument::Compact) << '\n';
    };
    if (dry && !asJson)
        ctx.err() << "Dry run: nothing is created; each line says what a run would do now.\n";
    const RunCommands::LogSink log = [&](const QString& piece) {
        if (asJson) {
            if (const std::optional<QJsonObject> e = events.take(piece))
                writeJson(*e);
            return;
        }
        if (quietly && !isErrorOrTotal(piece))
            return;
        ctx.out() << (dry ? dryRunPiece(piece) : piece);
        if (sinceFlush.elapsed() >= 200) {
            ctx.out().flush();
            sinceFlush.restart();
        }
    };
    const Result<RunTotals> totals = [&]() -> Result<RunTotals> {
        if (!snapshot)
            return RunCommands::run(*doc, fs, log);
        MergeRun run(std::move(*snapshot), fs);
        run.setLogSink(log);
        return run.execute();
    }();
    // A destination that went away since the check fails as the check would have said.
    const QString failure = totals                   ? QString()
                            : totals.failure().alert ? noDestination(*totals.failure().alert)
                                                     : totals.message();
    if (asJson) {
        if (totals)
            writeJson(RunEvents::totals(*totals, dry));
        ctx.out().flush();
        if (!totals)
            return ctx.fail(ExitNoDestination, failure);
        return totals->errors > 0 ? ExitRunErrors : ExitOk;
    }
    // The log ends its last line, as text meant for a terminal or a file does.
    ctx.out() << '\n';
    ctx.out().flush();
    if (totals && dry)
        ctx.err() << "It would skip " << totals->filesSkipped << " existing files and log "
                  << totals->errors << " errors. Nothing was created.\n";
    if (!totals)
        return ctx.fail(ExitNoDestination, failure);
    return totals->errors > 0 ? ExitRunErrors : ExitOk;
}

} // namespace quillory
