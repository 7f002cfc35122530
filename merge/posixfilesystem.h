#pragma once

#include "merge/filesystem.h"

#include <functional>

namespace quillory {

// The run's file-system calls made on this machine through POSIX system calls.
class PosixFileSystem : public FileSystem
{
public:
    // How renameNoReplace gives the new name: the kernel's no-replace rename where the file
    // system supports it (otherwise a hard link then an unlink), or always the latter.
    enum class RenameStrategy { Automatic, LinkAndUnlink };

    bool startAccessing(const QString& path) override;
    void stopAccessing(const QString& path) override;
    bool exists(const QString& path) override;
    bool isDirectory(const QString& path) override;
    Entry entryAt(const QString& path) override;
    std::optional<QString> canonicalPath(const QString& path) override;
    FsStatus makeDirectory(const QString& path) override;
    FsStatus writeTemporaryFile(const QString& folder, const QString& nameHint,
                                const QByteArray& contents, QString* tempPath) override;
    FsStatus renameNoReplace(const QString& from, const QString& to) override;
    bool removeFile(const QString& path) override;

    void setRenameStrategy(RenameStrategy s) { m_strategy = s; }
    // Called right before each rename, so that a test can put something at the target.
    void setBeforeRenameHook(std::function<void(const QString& from, const QString& to)> hook)
    {
        m_beforeRename = std::move(hook);
    }

    // "<what> '<path>': <the system's reason for errnum>".
    static QString describeError(const QString& what, const QString& path, int errnum);

private:
    FsStatus linkAndUnlink(const QByteArray& from, const QByteArray& to, const QString& toPath);

    RenameStrategy m_strategy = RenameStrategy::Automatic;
    std::function<void(const QString&, const QString&)> m_beforeRename;
};

} // namespace quillory
