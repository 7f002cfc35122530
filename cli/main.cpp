#include "cli/clicontext.h"
#include "cli/commands.h"
#include "cli/suggestion.h"
#include "core/release.h"
#include "core/settingsuserdefaults.h"
#include "core/userdefaultcheck.h"
#include "merge/runsignals.h"

#include <QCoreApplication>

#include <map>
#include <new>

using namespace quillory;

namespace {

const char* const kUsage =
    "Usage: quillory-cli [--default KEY=VALUE]... COMMAND [ARGS]\n"
    "       quillory-cli --version | --help\n"
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
    "  run DOC                      run the merge (--dry-run: only show it)\n"
    "  import DOC FILE              import delimited text or a workbook (- reads stdin)\n"
    "  export DOC OUT               export the records (- writes stdout)\n"
    "\n"
    "Options:\n"
    "  --default KEY=VALUE          override a user default for this run\n"
    "  -V, --version                print the version\n"
    "  -h, --help                   show this help\n"
    "\n"
    "Standard output carries only data (what info, items, preview and export -\n"
    "print, and the run's log); status lines, warnings and errors go to stderr.\n"
    "\n"
    "Exit status: 0 success, 1 the run logged errors, 2 bad usage or a\n"
    "document that cannot be read or written, 3 no usable destination.\n"
    "\n"
    "Run 'quillory-cli COMMAND --help' for a command's options.\n";

} // namespace

int main(int argc, char** argv)
{
    // Before anything is written: an interrupted run leaves no temporary file, and a file size
    // limit gives an error message instead of ending the program.
    RunSignals::install();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillory-cli"));
    SettingsUserDefaults store;
    OverrideUserDefaults defaults(store);
    CliContext ctx(defaults);

    QStringList args = app.arguments().mid(1);
    // Global options come before the command.
    while (!args.isEmpty() && args.front().startsWith(QLatin1Char('-'))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--help") || opt == QLatin1String("-h")) {
            ctx.out() << kUsage;
            return ExitOk;
        }
        if (opt == QLatin1String("--version") || opt == QLatin1String("-V")) {
            ctx.out() << "quillory-cli " << Release::kVersion << '\n';
            return ExitOk;
        }
        QString assignment;
        if (opt == QLatin1String("--default") && !args.isEmpty())
            assignment = args.takeFirst();
        else if (opt.startsWith(QLatin1String("--default=")))
            assignment = opt.mid(10);
        else if (opt == QLatin1String("--default"))
            return ctx.usageError(QStringLiteral("--default needs KEY=VALUE"));
        else
            return ctx.usageError(
                QStringLiteral("unknown option '") + opt + u'\'' +
                didYouMean(opt, {QStringLiteral("--default"), QStringLiteral("--help"),
                                 QStringLiteral("--version")}));
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return ctx.usageError(QStringLiteral("--default needs KEY=VALUE, got '") + assignment +
                                  u'\'');
        const QString key = assignment.left(eq);
        const QStringList known = UserDefaults::registeredDefaults().keys();
        if (!known.contains(key))
            return ctx.usageError(QStringLiteral("unknown user default '") + key + u'\'' +
                                  didYouMean(key, known) + QStringLiteral("; the keys are ") +
                                  known.join(QLatin1String(", ")));
        const QString value = assignment.mid(eq + 1);
        if (const std::optional<QString> takes = UserDefaultCheck::problem(key, value))
            return ctx.usageError(QStringLiteral("user default '") + key +
                                  QStringLiteral("' takes ") + *takes + QStringLiteral(", not '") +
                                  value + u'\'');
        defaults.setOverride(key, value);
    }
    if (args.isEmpty()) {
        ctx.err() << kUsage;
        return ctx.usageError(QStringLiteral("no command given"));
    }

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
    if (it == commands.end()) {
        QStringList names;
        for (const auto& [commandName, command] : commands)
            names << commandName;
        return ctx.usageError(QStringLiteral("unknown command '") + name + u'\'' +
                              didYouMean(name, names));
    }
    ctx.setCommand(name);
    // Sizes are checked before reading, but a machine may still run short: say so rather than
    // abort. A command saves last, through a temporary file, so nothing has changed yet.
    try {
        return it->second(ctx, args);
    } catch (const std::bad_alloc&) {
        return ctx.fail(ExitUsage, QStringLiteral("not enough memory to finish; nothing changed"));
    }
}
