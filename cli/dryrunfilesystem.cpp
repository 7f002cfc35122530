#include "cli/dryrunfilesystem.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace quillory {

namespace {

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

bool DryRunFileSystem::exists(const QString& path)
{
    return m_folders.contains(path) || m_files.contains(path) || m_temporary.contains(path) ||
           m_disk.exists(path);
}

bool DryRunFileSystem::isDirectory(const QString& path)
{
    return m_folders.contains(path) || m_disk.isDirectory(path);
}

FileSystem::Entry DryRunFileSystem::entryAt(const QString& path)
{
    if (m_folders.contains(path) || m_files.contains(path) || m_temporary.contains(path))
        return Entry::Other;
    return m_disk.entryAt(path);
}

std::optional<QString> DryRunFileSystem::canonicalPath(const QString& path)
{
    // What this run pretended to make holds no links: it resolves through its folder.
    if (m_folders.contains(path) || m_files.contains(path)) {
        const std::optional<QString> parent = canonicalPath(parentOf(path));
        if (!parent)
            return std::nullopt;
        return *parent + path.mid(path.lastIndexOf(QLatin1Char('/')));
    }
    return m_disk.canonicalPath(path);
}

int DryRunFileSystem::creationError(const QString& folder)
{
    if (m_folders.contains(folder))
        return 0;
    if (!m_disk.exists(folder) && !m_files.contains(folder))
        return ENOENT;
    if (!m_disk.isDirectory(folder))
        return ENOTDIR;
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return errno;
    return 0;
}

FsStatus DryRunFileSystem::makeDirectory(const QString& path)
{
    if (exists(path) || m_disk.entryAt(path) != Entry::Missing)
        return FsStatus::exists();
    if (const int err = creationError(parentOf(path)))
        return FsStatus::failed(
            PosixFileSystem::describeError(QStringLiteral("Cannot create folder"), path, err));
    m_folders.insert(path);
    return FsStatus::ok();
}

FsStatus DryRunFileSystem::writeTemporaryFile(const QString& folder, const QString& nameHint,
                                              const QByteArray& contents, QString* tempPath)
{
    Q_UNUSED(contents);
    if (const int err = creationError(folder))
        return FsStatus::failed(PosixFileSystem::describeError(
            QStringLiteral("Cannot write file"), folder + QLatin1Char('/') + nameHint, err));
    *tempPath = folder + QStringLiteral("/.dry-run-") + QString::number(m_nextTemporary++);
    m_temporary.insert(*tempPath);
    return FsStatus::ok();
}

FsStatus DryRunFileSystem::renameNoReplace(const QString& from, const QString& to)
{
    if (exists(to) || m_disk.entryAt(to) != Entry::Missing)
        return FsStatus::exists();
    m_temporary.remove(from);
    m_files.insert(to);
    return FsStatus::ok();
}

bool DryRunFileSystem::removeFile(const QString& path)
{
    return m_temporary.remove(path);
}

} // namespace quillory
