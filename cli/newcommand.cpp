#include "cli/clicontext.h"
#include "cli/commands.h"

#include <QFileInfo>

namespace quillory {

int newCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage =
        QStringLiteral("quillory-cli new DOC\nWrites a new document with the built-in fields.");
    QCommandLineParser parser;
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace an existing file."));
    parser.addOption(force);
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 1, 1, &code))
        return code;
    const QString path = parser.positionalArguments().front();
    // A new document never silently replaces someone's work.
    if (QFileInfo::exists(path) && !parser.isSet(force))
        return ctx.fail(
            ExitUsage, QStringLiteral("'%1' already exists (use --force to replace it)").arg(path));
    auto doc = ctx.newDocument();
    return ctx.saveDocument(*doc, path) ? ExitOk : ExitUsage;
}

} // namespace quillory
