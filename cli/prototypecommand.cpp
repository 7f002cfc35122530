#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/suggestion.h"
#include "commands/prototypecommands.h"
#include "commands/undostack.h"

namespace quillory {

namespace {

int add(CliContext& ctx, const QStringList& args, const QString& usage)
{
    QCommandLineParser parser;
    const QCommandLineOption one(QStringLiteral("one"),
                                 QStringLiteral("All in One: made once for all records."));
    const QCommandLineOption multi(QStringLiteral("multi"),
                                   QStringLiteral("One per Record: made once per record."));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Make a folder (default: a file)."));
    const QCommandLineOption pathOpt(QStringLiteral("path"),
                                     QStringLiteral("Path template, relative to the destination."),
                                     QStringLiteral("TEMPLATE"));
    const QCommandLineOption head(QStringLiteral("head"),
                                  QStringLiteral("Head template (All in One files)."),
                                  QStringLiteral("T"));
    const QCommandLineOption text(
        QStringLiteral("text"), QStringLiteral("Text template, per record."), QStringLiteral("T"));
    const QCommandLineOption separator(QStringLiteral("separator"),
                                       QStringLiteral("Separator template (All in One files)."),
                                       QStringLiteral("T"));
    const QCommandLineOption foot(QStringLiteral("foot"),
                                  QStringLiteral("Foot template (All in One files)."),
                                  QStringLiteral("T"));
    parser.addOptions({one, multi, folder, pathOpt, head, text, separator, foot});
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 1, 1, &code))
        return code;
    if (parser.isSet(one) == parser.isSet(multi))
        return ctx.fail(ExitUsage, QStringLiteral("give exactly one of --one and --multi"));
    if (!parser.isSet(pathOpt))
        return ctx.fail(ExitUsage, QStringLiteral("--path is required"));
    const QString docPath = parser.positionalArguments().front();
    auto doc = ctx.loadDocument(docPath);
    if (!doc)
        return ExitUsage;

    const PrototypePtr p =
        newPrototype(parser.isSet(multi) ? PrototypeSide::OnePerRecord : PrototypeSide::AllInOne);
    p->isFolder = parser.isSet(folder);
    const auto pathText = ctx.templateArgument(parser.value(pathOpt));
    if (!pathText)
        return ExitUsage;
    p->path = *pathText;
    const std::pair<const QCommandLineOption*, QString*> templates[] = {
        {&head, &p->head}, {&text, &p->text}, {&separator, &p->separator}, {&foot, &p->foot}};
    for (const auto& [opt, target] : templates) {
        if (!parser.isSet(*opt))
            continue;
        const auto value = ctx.templateArgument(parser.value(*opt));
        if (!value)
            return ExitUsage;
        *target = *value;
    }
    UndoStack stack(*doc);
    commands::appendPrototype(stack, p);
    return ctx.saveAndReport(*doc, docPath,
                             QStringLiteral("Added Prototype ") +
                                 QString::number(doc->universalFilePrototypeArray().size()) +
                                 QStringLiteral(": ") + p->path);
}

int remove(CliContext& ctx, const QStringList& args, const QString& usage)
{
    QCommandLineParser parser;
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, 2, &code))
        return code;
    const QString docPath = parser.positionalArguments()[0];
    auto doc = ctx.loadDocument(docPath);
    if (!doc)
        return ExitUsage;
    const auto& list = doc->universalFilePrototypeArray();
    const std::optional<qint64> n =
        ctx.position(parser.positionalArguments()[1], qint64(list.size()),
                     QStringLiteral("Prototype"), QStringLiteral("the document has"));
    if (!n)
        return ExitUsage;
    const PrototypePtr p = list[*n - 1];
    UndoStack stack(*doc);
    commands::removePrototype(stack, p);
    return ctx.saveAndReport(*doc, docPath,
                             QStringLiteral("Removed Prototype ") + QString::number(*n) +
                                 QStringLiteral(": ") + p->path);
}

} // namespace

int prototypeCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli prototype add DOC (--one|--multi) [--folder] --path TEMPLATE [--head T] "
        "[--text T] [--separator T] [--foot T] | prototype remove DOC N\n"
        "A T starting with @ is read from that file. N is the 1-based position in the list.");
    if (!args.isEmpty() && args.front() == QLatin1String("add"))
        return add(ctx, args.mid(1), usage);
    if (!args.isEmpty() && args.front() == QLatin1String("remove"))
        return remove(ctx, args.mid(1), usage);
    // The command's help is the help of 'add', which has every option.
    if (!args.isEmpty() &&
        (args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")))
        return add(ctx, {QStringLiteral("--help")}, usage);
    if (args.isEmpty())
        return ctx.usageError(QStringLiteral("expected 'add' or 'remove'"));
    return ctx.usageError(
        QStringLiteral("unknown prototype action '") + args.front() + u'\'' +
        didYouMean(args.front(), {QStringLiteral("add"), QStringLiteral("remove")}));
}

} // namespace quillory
