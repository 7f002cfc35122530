#include "cli/clicontext.h"
#include "cli/commands.h"
#include "core/settingsuserdefaults.h"

#include <QCoreApplication>

#include <map>

using namespace quillory;

namespace {

const char* const kUsage = "Usage: quillory-cli [--default KEY=VALUE]... COMMAND [ARGS]\n"
                           "\n"
                           "Commands:\n"
                           "  new DOC                      write a new document\n"
                           "  info DOC [--json]            show a document\n"
                           "  field add|rename|delete      manage fields\n"
                           "  record add|set|delete        manage records\n"
                           "  prototype add|remove         manage Prototypes\n"
                           "  destination DOC DIR          choose the destination folder\n"
                           "  items DOC                    list what a run would create\n"
                           "  preview DOC ITEM             show the name and content of an item\n"
                           "  run DOC                      run the merge\n"
                           "  import DOC FILE              import delimited text\n"
                           "  export DOC OUT               export the records\n"
                           "\n"
                           "Run 'quillory-cli COMMAND --help' for a command's options.\n";

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillory-cli"));
    SettingsUserDefaults store;
    OverrideUserDefaults defaults(store);
    CliContext ctx(defaults);

    QStringList args = app.arguments().mid(1);
    // Global options come before the command.
    while (!args.isEmpty() && args.front().startsWith(QLatin1String("--"))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--help")) {
            ctx.out() << kUsage;
            return ExitOk;
        }
        QString assignment;
        if (opt == QLatin1String("--default") && !args.isEmpty())
            assignment = args.takeFirst();
        else if (opt.startsWith(QLatin1String("--default=")))
            assignment = opt.mid(10);
        else
            return ctx.fail(ExitUsage, QStringLiteral("unknown option '%1'\n%2").arg(opt, kUsage));
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return ctx.fail(ExitUsage,
                            QStringLiteral("--default needs KEY=VALUE, got '%1'").arg(assignment));
        defaults.setOverride(assignment.left(eq), assignment.mid(eq + 1));
    }
    if (args.isEmpty())
        return ctx.fail(ExitUsage, QStringLiteral("no command given\n%1").arg(kUsage));

    using Command = int (*)(CliContext&, const QStringList&);
    static const std::map<QString, Command> commands{
        {QStringLiteral("new"), newCommand},
        {QStringLiteral("info"), infoCommand},
        {QStringLiteral("field"), fieldCommand},
        {QStringLiteral("record"), recordCommand},
        {QStringLiteral("prototype"), prototypeCommand},
        {QStringLiteral("destination"), destinationCommand},
        {QStringLiteral("items"), itemsCommand},
        {QStringLiteral("preview"), previewCommand},
        {QStringLiteral("run"), runCommand},
        {QStringLiteral("import"), importCommand},
        {QStringLiteral("export"), exportCommand},
    };
    const QString name = args.takeFirst();
    const auto it = commands.find(name);
    if (it == commands.end())
        return ctx.fail(ExitUsage, QStringLiteral("unknown command '%1'\n%2").arg(name, kUsage));
    return it->second(ctx, args);
}
