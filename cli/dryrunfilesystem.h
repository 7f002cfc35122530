#pragma once

#include "merge/posixfilesystem.h"

#include <QHash>
#include <QSet>

namespace quillory {

// The file system as a run would find it, with nothing written: questions go to the real
// disk and to what this run has pretended to create so far, and creations only note the
// name. A run over it logs what a real run would do now, item by item.
class DryRunFileSystem : public FileSystem
{
public:
    bool startAccessing(const QString& path) override { return m_disk.startAccessing(path); }
    void stopAccessing(const QString& path) override { m_disk.stopAccessing(path); }
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

private:
    // A folder handed out: where it sits beneath the destination, and whether it is only one
    // this run pretended to make (its handle then stands in for it, opened on the destination).
    struct Folder
    {
        QByteArray relative;
        bool pretended = false;
    };
    Folder folderOf(const FolderHandle& folder) const;
    static QByteArray join(const QByteArray& folder, const QByteArray& name);
    // Whether something real or pretended is at name, a link that leads nowhere included.
    bool occupied(const FolderHandle& folder, const QByteArray& name);
    // Why a new entry could not be made in folder now (0: it could).
    int creationError(const FolderHandle& folder);
    // The name beneath the destination of a full path, or none when it is not beneath it.
    std::optional<QByteArray> relativeOf(const QString& path) const;

    PosixFileSystem m_disk;
    QString m_rootPath;
    QHash<int, Folder> m_handles; // by descriptor, while the handle is open
    QSet<QByteArray> m_folders;   // pretended, beneath the destination
    QSet<QByteArray> m_files;
    QSet<QByteArray> m_temporary;
    quint64 m_nextTemporary = 0;
};

} // namespace quillory
