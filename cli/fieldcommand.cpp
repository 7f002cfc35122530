#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/suggestion.h"
#include "commands/fieldcommands.h"
#include "commands/undostack.h"

namespace quillory {

int fieldCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral(
        "quillory-cli field add DOC [NAME] | field rename DOC FIELD NEW | field delete DOC FIELD\n"
        "FIELD is a visible name, or #N for the field with inner key N.");
    QCommandLineParser parser;
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 2, 4, &code))
        return code;
    const QStringList pos = parser.positionalArguments();
    const QString action = pos[0];
    const QString path = pos[1];
    const int wanted = action == QLatin1String("add")      ? -1
                       : action == QLatin1String("rename") ? 4
                       : action == QLatin1String("delete") ? 3
                                                           : 0;
    if (wanted == 0)
        return ctx.usageError(QStringLiteral("unknown field action '") + action + u'\'' +
                              didYouMean(action, {QStringLiteral("add"), QStringLiteral("rename"),
                                                  QStringLiteral("delete")}));
    if ((wanted > 0 && pos.size() != wanted) || (wanted < 0 && pos.size() > 3))
        return ctx.usageError(QStringLiteral("wrong arguments for 'field ") + action + u'\'');

    auto doc = ctx.loadDocument(path);
    if (!doc)
        return ExitUsage;
    UndoStack stack(*doc);
    const QString blankName = QStringLiteral("a field name cannot be empty or white space only");
    if (action == QLatin1String("add")) {
        // The window's command: the field goes last. A name given is the rename that follows,
        // which refuses a blank one.
        const QString inner = commands::addField(stack);
        const int index = doc->indexOfField(inner);
        if (pos.size() == 3 && !commands::renameField(stack, index, pos[2]))
            return ctx.fail(ExitUsage, blankName);
        const FieldKey& k = doc->keyArray()[size_t(index)];
        return ctx.saveAndReport(*doc, path,
                                 QStringLiteral("Added field '") + k.publicKey +
                                     QStringLiteral("' (#") + k.innerKey + u')');
    }
    const int index = ctx.resolveField(*doc, pos[2]);
    if (index < 0)
        return ExitUsage;
    if (action == QLatin1String("rename")) {
        if (!commands::renameField(stack, index, pos[3]))
            return ctx.fail(ExitUsage, blankName);
    } else {
        commands::deleteField(stack, index);
    }
    return ctx.saveDocument(*doc, path) ? ExitOk : ExitUsage;
}

} // namespace quillory
