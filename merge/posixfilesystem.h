#pragma once

#include "merge/filesystem.h"

#include <functional>

namespace quillory {

// The run's file-system calls made on this machine through POSIX system calls.
class PosixFileSystem : public FileSystem
{
public:
    // How renameNoReplaceAt gives the new name: the kernel's no-replace rename where the file
    // system supports it (otherwise a hard link then an unlink), or always the latter.
    enum class RenameStrategy { Automatic, LinkAndUnlink };
    // How openBeneath resolves: by the kernel in one call where it can (a link to an absolute
    // path inside is then walked), or always one level at a time.
    enum class ResolveStrategy { Automatic, PerLevel };

    bool startAccessing(const QString& path) override;
    void stopAccessing(const QString& path) override;
    bool exists(const QString& path) override;
    bool isDirectory(const QString& path) override;
    int openFolder(const QString& path, FolderHandle* folder) override;
    int openBeneath(const FolderHandle& root, const QByteArray& relative,
                    FolderHandle* folder) override;
    bool existsAt(const FolderHandle& folder, const QByteArray& name) override;
    FsStatus makeDirectoryAt(const FolderHandle& folder, const QByteArray& name,
                             const QString& fullPath) override;
    FsStatus writeTemporaryFileAt(const FolderHandle& folder, const QByteArray& name,
                                  const QByteArray& contents, QByteArray* tempName,
                                  const QString& fullPath) override;
    FsStatus renameNoReplaceAt(const FolderHandle& folder, const QByteArray& from,
                               const QByteArray& to, const QString& fullPath) override;
    bool removeFileAt(const FolderHandle& folder, const QByteArray& name) override;

    void setRenameStrategy(RenameStrategy s) { m_renameStrategy = s; }
    void setResolveStrategy(ResolveStrategy s) { m_resolveStrategy = s; }
    // Called right before each rename with both full paths, so that a test can put something
    // at the target.
    void setBeforeRenameHook(std::function<void(const QString& from, const QString& to)> hook)
    {
        m_beforeRename = std::move(hook);
    }

private:
    int walkBeneath(int root, const QByteArray& relative, FolderHandle* folder);

    RenameStrategy m_renameStrategy = RenameStrategy::Automatic;
    ResolveStrategy m_resolveStrategy = ResolveStrategy::Automatic;
    std::function<void(const QString&, const QString&)> m_beforeRename;
};

} // namespace quillory
