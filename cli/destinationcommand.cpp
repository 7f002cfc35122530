#include "cli/clicontext.h"
#include "cli/commands.h"
#include "commands/runcommands.h"
#include "commands/undostack.h"

#include <QDir>

namespace quillory {

int destinationCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli destination DOC DIR\nChooses DIR as the folder under which runs create "
        "files, as the window's destination chooser does.");
    QCommandLineParser parser;
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, 2, &code))
        return code;
    const QString docPath = parser.positionalArguments()[0];
    auto doc = ctx.loadDocument(docPath);
    if (!doc)
        return ExitUsage;
    const QString dir = QDir(parser.positionalArguments()[1]).absolutePath();
    UndoStack stack(*doc);
    const Result<> chosen = commands::chooseDestination(stack, dir);
    if (!chosen)
        return ctx.fail(ExitNoDestination, chosen.message());
    if (!ctx.saveDocument(*doc, docPath))
        return ExitUsage;
    ctx.err() << "Destination: " << dir << '\n';
    return ExitOk;
}

} // namespace quillory
