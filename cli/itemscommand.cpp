#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/unknowntags.h"
#include "merge/generateditems.h"

namespace quillory {

int itemsCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli items DOC [--strict]\nLists what a run would create, in run order: the "
        "item's "
        "number (as preview takes it), TAB, path, TAB, folder|file, TAB, one|multi, TAB, the "
        "number of its Prototype (as prototype remove takes it). Numbers count from 1.");
    QCommandLineParser parser;
    const QCommandLineOption strict(QStringLiteral("strict"),
                                    QStringLiteral("Refuse tags that match no field or tag."));
    parser.addOption(strict);
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 1, 1, &code))
        return code;
    auto doc = ctx.loadDocument(parser.positionalArguments().front());
    if (!doc)
        return ExitUsage;
    if (!checkUnknownTags(ctx, *doc, parser.isSet(strict)))
        return ExitUsage;
    qint64 number = 0;
    for (const GeneratedItem& item : GeneratedItems::of(*doc))
        ctx.out() << ++number << '\t' << item.path << '\t' << (item.isFolder ? "folder" : "file")
                  << '\t' << (item.isMulti ? "multi" : "one") << '\t' << item.originalPos + 1
                  << '\n';
    return ExitOk;
}

} // namespace quillory
