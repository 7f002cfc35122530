#include "cli/clicontext.h"
#include "cli/commands.h"
#include "merge/preview.h"

namespace quillory {

int previewCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli preview DOC ITEM [--record N] [--full-path] [--name|--content]\n"
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
    parser.addOptions({record, fullPath, nameOnly, contentOnly});
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, 2, &code))
        return code;
    if (parser.isSet(nameOnly) && parser.isSet(contentOnly))
        return ctx.fail(ExitUsage, QStringLiteral("give at most one of --name and --content"));
    auto doc = ctx.loadDocument(parser.positionalArguments()[0]);
    if (!doc)
        return ExitUsage;

    const auto& items = doc->generatedItems();
    bool ok = false;
    const qint64 itemNumber = parser.positionalArguments()[1].toLongLong(&ok);
    if (!ok || itemNumber < 1 || itemNumber > qint64(items.size()))
        return ctx.fail(ExitUsage, QStringLiteral("no item %1 (a run would create %2)")
                                       .arg(parser.positionalArguments()[1])
                                       .arg(items.size()));
    Record chosen;
    if (parser.isSet(record)) {
        const qint64 n = parser.value(record).toLongLong(&ok);
        if (!ok || n < 1 || n > qint64(doc->dataArray().size()))
            return ctx.fail(ExitUsage, QStringLiteral("no record %1 (the document has %2)")
                                           .arg(parser.value(record))
                                           .arg(doc->dataArray().size()));
        chosen = doc->dataArray()[n - 1];
    }
    doc->previewNameOfFileUsesFullPath = parser.isSet(fullPath);
    doc->setAllDataSelectedRecord(chosen);
    Preview::previewTableSelectionDidChange(*doc, items[itemNumber - 1]);

    const QString name = doc->previewNameOfFile.value_or(QString());
    const QString content = doc->previewContentOfFile.value_or(QString());
    if (parser.isSet(nameOnly))
        ctx.out() << name;
    else if (parser.isSet(contentOnly))
        ctx.out() << content;
    else
        ctx.out() << "Name: " << name << "\nContent:\n" << content << '\n';
    return ExitOk;
}

} // namespace quillory
