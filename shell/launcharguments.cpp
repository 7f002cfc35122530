#include "shell/launcharguments.h"

#include "shell/releaseinfo.h"

#include <QUrl>

namespace quillory {

LaunchArguments LaunchArguments::parse(const QStringList& args)
{
    LaunchArguments parsed;
    bool optionsEnded = false;
    for (const QString& arg : args) {
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QLatin1String("--version") || arg == "-v")) {
            parsed.showVersion = true;
        } else if (!optionsEnded && (arg == QLatin1String("--help") || arg == "-h")) {
            parsed.showHelp = true;
        } else if (!optionsEnded && arg == QLatin1String("--new-instance")) {
            parsed.newInstance = true;
        } else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            // Qt's own options (-platform, -style…) are taken out before we see the list.
            if (parsed.unknownOption.isEmpty())
                parsed.unknownOption = arg;
        } else if (arg.startsWith(QLatin1String("file:"))) {
            // The desktop's %U hands us URLs.
            parsed.documents << QUrl(arg).toLocalFile();
        } else if (!arg.isEmpty()) {
            parsed.documents << arg;
        }
    }
    return parsed;
}

QString LaunchArguments::versionText()
{
    return QStringLiteral("%1 %2\n").arg(ReleaseInfo::appName(), ReleaseInfo::releaseString());
}

QString LaunchArguments::usageText()
{
    return QStringLiteral("Usage: quillory [--version] [--help] [--new-instance] "
                          "[DOCUMENT.quillory...]\n"
                          "Opens the documents given, or does what the preferences say to do "
                          "at startup. A Quillory already running opens them instead, unless "
                          "--new-instance is given.\n");
}

} // namespace quillory
