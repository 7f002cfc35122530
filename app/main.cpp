#include "app/shell/application.h"
#include "core/settingsuserdefaults.h"

#include <QApplication>

// Opens the documents named on the command line, or a new one; then offers what a crash left.
int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillory"));
    QApplication::setApplicationName(QStringLiteral("Quillory"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLORY_VERSION));
    qapp.setQuitOnLastWindowClosed(true);

    quillory::SettingsUserDefaults defaults;
    quillory::Application app(&defaults,
                              quillory::RecoveryStore(quillory::RecoveryStore::defaultFolder()));
    const bool recovered = !app.offerRecovery().empty();
    const QStringList args = QApplication::arguments().mid(1);
    for (const QString& path : args)
        app.openDocument(path);
    if (app.windows().empty() && !recovered)
        app.newDocument();
    if (app.windows().empty())
        return 0;
    return QApplication::exec();
}
