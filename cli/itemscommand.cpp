#include "cli/clicontext.h"
#include "cli/commands.h"

namespace quillory {

int itemsCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli items DOC\nLists what a run would create, in run order: path, TAB, "
        "folder|file, TAB, one|multi, TAB, the Prototype's position.");
    QCommandLineParser parser;
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 1, 1, &code))
        return code;
    auto doc = ctx.loadDocument(parser.positionalArguments().front());
    if (!doc)
        return ExitUsage;
    for (const GeneratedItem& item : doc->generatedItems())
        ctx.out() << item.path << '\t' << (item.isFolder ? "folder" : "file") << '\t'
                  << (item.isMulti ? "multi" : "one") << '\t' << item.originalPos << '\n';
    return ExitOk;
}

} // namespace quillory
