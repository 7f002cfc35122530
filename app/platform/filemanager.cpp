#include "app/platform/filemanager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace quillory {

namespace {

void openParentFolder(const QString& item)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(item).absolutePath()));
}

} // namespace

void showInFileManager(const QString& path)
{
    const QString item = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openParentFolder(item);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // ShowItems opens each item's folder with the item selected: it takes the item itself.
    call << QStringList{QUrl::fromLocalFile(item).toString()} << QString();
    // Asynchronous: a desktop without the service answers with an error, never a hang.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [item](QDBusPendingCallWatcher* w) {
                         if (QDBusPendingReply<>(*w).isError())
                             openParentFolder(item);
                         w->deleteLater();
                     });
}

} // namespace quillory
