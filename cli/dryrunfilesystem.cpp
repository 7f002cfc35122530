#include "cli/dryrunfilesystem.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

// The names of relative without empty and "." levels, so that "a//./b" and "a/b" are one place.
QByteArray normalized(const QByteArray& relative)
{
    QByteArray out;
    for (const QByteArray& level : relative.split('/')) {
        if (level.isEmpty() || level == ".")
            continue;
        if (!out.isEmpty())
            out += '/';
        out += level;
    }
    return out;
}

} // namespace

QByteArray DryRunFileSystem::join(const QByteArray& folder, const QByteArray& name)
{
    return folder.isEmpty() ? name : folder + '/' + name;
}

DryRunFileSystem::Folder DryRunFileSystem::folderOf(const FolderHandle& folder) const
{
    return m_handles.value(folder.fd());
}

std::optional<QByteArray> DryRunFileSystem::relativeOf(const QString& path) const
{
    const QString prefix = m_rootPath.endsWith(u'/') ? m_rootPath : m_rootPath + u'/';
    if (m_rootPath.isEmpty() || !path.startsWith(prefix))
        return std::nullopt;
    return normalized(QFile::encodeName(path.mid(prefix.size())));
}

bool DryRunFileSystem::exists(const QString& path)
{
    if (const std::optional<QByteArray> rel = relativeOf(path))
        if (m_folders.contains(*rel) || m_files.contains(*rel) || m_temporary.contains(*rel))
            return true;
    return m_disk.exists(path);
}

bool DryRunFileSystem::isDirectory(const QString& path)
{
    const std::optional<QByteArray> rel = relativeOf(path);
    return (rel && m_folders.contains(*rel)) || m_disk.isDirectory(path);
}

int DryRunFileSystem::openFolder(const QString& path, FolderHandle* folder)
{
    const int err = m_disk.openFolder(path, folder);
    if (err == 0) {
        m_rootPath = path;
        m_handles.insert(folder->fd(), Folder{});
    }
    return err;
}

int DryRunFileSystem::openBeneath(const FolderHandle& root, const QByteArray& relative,
                                  FolderHandle* folder)
{
    const Folder base = folderOf(root);
    const QByteArray rel = join(base.relative, normalized(relative));
    int err = base.pretended ? ENOENT : m_disk.openBeneath(root, relative, folder);
    if (err == ENOENT && m_folders.contains(rel)) {
        // A folder only pretended: a copy of the destination's handle stands in for it.
        const int fd = ::fcntl(root.fd(), F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            return errno;
        folder->reset(fd);
        m_handles.insert(fd, Folder{rel, true});
        return 0;
    }
    if (err == 0)
        m_handles.insert(folder->fd(), Folder{rel, false});
    return err;
}

bool DryRunFileSystem::existsAt(const FolderHandle& folder, const QByteArray& name)
{
    const Folder f = folderOf(folder);
    const QByteArray rel = join(f.relative, name);
    if (m_folders.contains(rel) || m_files.contains(rel) || m_temporary.contains(rel))
        return true;
    return !f.pretended && m_disk.existsAt(folder, name);
}

bool DryRunFileSystem::occupied(const FolderHandle& folder, const QByteArray& name)
{
    if (existsAt(folder, name))
        return true;
    struct stat st;
    return !folderOf(folder).pretended &&
           ::fstatat(folder.fd(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

int DryRunFileSystem::creationError(const FolderHandle& folder)
{
    if (folderOf(folder).pretended)
        return 0;
    return ::faccessat(folder.fd(), ".", W_OK | X_OK, 0) == 0 ? 0 : errno;
}

FsStatus DryRunFileSystem::makeDirectoryAt(const FolderHandle& folder, const QByteArray& name,
                                           const QString& fullPath)
{
    if (occupied(folder, name))
        return FsStatus::exists();
    if (const int err = creationError(folder))
        return FsStatus::failed(
            describeError(QStringLiteral("Cannot create folder"), fullPath, err));
    m_folders.insert(join(folderOf(folder).relative, name));
    return FsStatus::ok();
}

FsStatus DryRunFileSystem::writeTemporaryFileAt(const FolderHandle& folder, const QByteArray& name,
                                                const QByteArray& contents, QByteArray* tempName,
                                                const QString& fullPath)
{
    Q_UNUSED(name);
    Q_UNUSED(contents);
    if (const int err = creationError(folder))
        return FsStatus::failed(describeError(QStringLiteral("Cannot write file"), fullPath, err));
    *tempName = ".dry-run-" + QByteArray::number(m_nextTemporary++);
    m_temporary.insert(join(folderOf(folder).relative, *tempName));
    return FsStatus::ok();
}

FsStatus DryRunFileSystem::renameNoReplaceAt(const FolderHandle& folder, const QByteArray& from,
                                             const QByteArray& to, const QString& fullPath)
{
    Q_UNUSED(fullPath);
    if (occupied(folder, to))
        return FsStatus::exists();
    const QByteArray base = folderOf(folder).relative;
    m_temporary.remove(join(base, from));
    m_files.insert(join(base, to));
    return FsStatus::ok();
}

bool DryRunFileSystem::removeFileAt(const FolderHandle& folder, const QByteArray& name)
{
    return m_temporary.remove(join(folderOf(folder).relative, name));
}

} // namespace quillory
