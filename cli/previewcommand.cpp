#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/unknowntags.h"
#include "merge/generateditems.h"
#include "merge/preview.h"

namespace quillory {

int previewCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli preview DOC ITEM [--record N] [--full-path] [--name|--content] [--strict]\n"
        "Shows the name and content a run would give ITEM (its 1-based position in run order, as "
        "'items' lists them) for record N (1-based, stored order; none by default). With --name "
        "or --content only that is printed, exactly.");
    QCommandLineParser parser;
    const QCommandLineOption record(QStringLiteral("record"),
                                    QStringLiteral("The record to preview with."),
                                    QStringLiteral("N"));
    const QCommandLineOption fullPath(
        QStringLiteral("full-path"), QStringLiteral("Start the name with the destination folder."));
    const QCommandLineOption nameOnly(QStringLiteral("name"),
                                      QStringLiteral("Print only the name."));
    const QCommandLineOption contentOnly(QStringLiteral("content"),
                                         QStringLiteral("Print only the content."));
    const QCommandLineOption strict(QStringLiteral("strict"),
                                    QStringLiteral("Refuse tags that match no field or tag."));
    parser.addOptions({record, fullPath, nameOnly, contentOnly, strict});
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, 2, &code))
        return code;
    if (parser.isSet(nameOnly) && parser.isSet(contentOnly))
        return ctx.fail(ExitUsage, QStringLiteral("give at most one of --name and --content"));
    auto doc = ctx.loadDocument(parser.positionalArguments()[0]);
    if (!doc)
        return ExitUsage;

    const std::vector<GeneratedItem> items = GeneratedItems::of(*doc);
    const std::optional<qint64> itemNumber =
        ctx.position(parser.positionalArguments()[1], qint64(items.size()), QStringLiteral("item"),
                     QStringLiteral("'items' lists"));
    if (!itemNumber)
        return ExitUsage;
    Record chosen;
    if (parser.isSet(record)) {
        const std::optional<qint64> n =
            ctx.position(parser.value(record), qint64(doc->dataArray().size()),
                         QStringLiteral("record"), QStringLiteral("the document has"));
        if (!n)
            return ExitUsage;
        chosen = doc->dataArray()[size_t(*n - 1)];
    }
    if (!checkUnknownTags(ctx, *doc, parser.isSet(strict)))
        return ExitUsage;
    const GeneratedItem& item = items[size_t(*itemNumber - 1)];
    const QString name =
        Preview::name(*doc, item, chosen, parser.isSet(fullPath)).value_or(QString());
    const QString content =
        Preview::content(*doc, GeneratedItems::prototypeOf(*doc, item), chosen).value_or(QString());
    if (parser.isSet(nameOnly))
        ctx.out() << name;
    else if (parser.isSet(contentOnly))
        ctx.out() << content;
    else
        ctx.out() << "Name: " << name << "\nContent:\n" << content << '\n';
    return ExitOk;
}

} // namespace quillory
