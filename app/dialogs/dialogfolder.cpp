#include "app/dialogs/dialogfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

namespace quillory {

namespace {

const QString kLastFolderKey = QStringLiteral("lastDialogFolder");

} // namespace

QString dialogStartFolder(const QWidget* parent)
{
    // A document window names its file (none while it was never saved).
    const QString document = parent ? parent->window()->windowFilePath() : QString();
    if (!document.isEmpty())
        return QFileInfo(document).absolutePath();
    const QString last = QSettings().value(kLastFolderKey).toString();
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

void noteDialogFolder(const QString& path)
{
    if (path.isEmpty())
        return;
    const QFileInfo chosen(path);
    QSettings().setValue(kLastFolderKey,
                         chosen.isDir() ? chosen.absoluteFilePath() : chosen.absolutePath());
}

} // namespace quillory
