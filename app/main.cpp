#include "app/shell/application.h"
#include "app/shell/shell.h"
#include "app/shell/singleinstance.h"
#include "app/update/updatecontroller.h"
#include "core/settingsuserdefaults.h"
#include "merge/runsignals.h"
#include "shell/launcharguments.h"
#include "shell/releaseinfo.h"

#include <QApplication>

#include <cstdio>

namespace {

// --version and --help answer without a display.
std::optional<int> answerWithoutWindows(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const quillory::LaunchArguments parsed = quillory::LaunchArguments::parse(args);
    if (parsed.showVersion) {
        std::fputs(qPrintable(quillory::LaunchArguments::versionText()), stdout);
        return 0;
    }
    if (parsed.showHelp) {
        std::fputs(qPrintable(quillory::LaunchArguments::usageText()), stdout);
        return 0;
    }
    return std::nullopt;
}

} // namespace

// Opens the documents named on the command line (or by the file manager), offers what a crash
// left, then carries out the startup action of the preferences and the daily update check.
int main(int argc, char** argv)
{
    // Before anything is written: a window's run ended by a signal leaves no temporary file
    // behind, and a file size limit fails the write with a message instead of ending the program.
    quillory::RunSignals::install();
    if (const std::optional<int> status = answerWithoutWindows(argc, argv))
        return *status;

    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillory"));
    QApplication::setApplicationName(QStringLiteral("Quillory"));
    QApplication::setApplicationVersion(quillory::ReleaseInfo::releaseString());
    QApplication::setDesktopFileName(quillory::ReleaseInfo::applicationId());
    qapp.setQuitOnLastWindowClosed(true);

    // Qt has taken its own options out of the list by now.
    const quillory::LaunchArguments launch =
        quillory::LaunchArguments::parse(QApplication::arguments().mid(1));
    if (!launch.unknownOption.isEmpty()) {
        std::fprintf(stderr, "quillory: unknown option %s\n%s", qPrintable(launch.unknownOption),
                     qPrintable(quillory::LaunchArguments::usageText()));
        return 2;
    }

    // A running instance opens the documents in its own windows; this launch is then done.
    quillory::SingleInstance instance;
    if (!launch.newInstance &&
        instance.start(launch.documents) == quillory::SingleInstance::Start::HandedOver)
        return 0;

    quillory::SettingsUserDefaults defaults;
    quillory::Application app(&defaults,
                              quillory::RecoveryStore(quillory::RecoveryStore::defaultFolder()));
    // Before anything waits on the user: a later launch is answered as soon as it asks, even
    // while the recovery offer is up, and its documents must not go unheard.
    QObject::connect(&instance, &quillory::SingleInstance::documentsHandedOver, &app,
                     &quillory::Application::openHandedOver);
    const bool recovered = !app.offerRecovery().empty();
    for (const QString& path : launch.documents)
        app.openDocument(path);

    quillory::Shell& shell = app.shell();
    QObject::connect(&shell, &quillory::Shell::startupFinished, &qapp, [&] {
        // With nothing open (a cancelled dialog, an unreadable document) there is nothing
        // left to close: the program would linger without a window.
        if (app.windows().empty() && !shell.preferencesVisible())
            QApplication::quit();
        else
            shell.updates().launchProcedure();
    });
    // Documents handed over by a later launch while the recovery offer was up count as given.
    shell.carryOutStartupAction(!launch.documents.isEmpty() || recovered || !app.windows().empty());
    return QApplication::exec();
}
