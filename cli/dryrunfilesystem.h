#pragma once

#include "merge/posixfilesystem.h"

#include <QSet>

namespace quillory {

// The file system as a run would find it, with nothing written: questions go to the real
// disk and to what this run has pretended to create so far, and creations only note the
// path. A run over it logs what a real run would do now, item by item.
class DryRunFileSystem : public FileSystem
{
public:
    bool startAccessing(const QString& path) override { return m_disk.startAccessing(path); }
    void stopAccessing(const QString& path) override { m_disk.stopAccessing(path); }
    bool exists(const QString& path) override;
    bool isDirectory(const QString& path) override;
    Entry entryAt(const QString& path) override;
    std::optional<QString> canonicalPath(const QString& path) override;
    FsStatus makeDirectory(const QString& path) override;
    FsStatus writeTemporaryFile(const QString& folder, const QString& nameHint,
                                const QByteArray& contents, QString* tempPath) override;
    FsStatus renameNoReplace(const QString& from, const QString& to) override;
    bool removeFile(const QString& path) override;

private:
    // Why a new entry could not be made in folder now (0: it could).
    int creationError(const QString& folder);

    PosixFileSystem m_disk;
    QSet<QString> m_folders;
    QSet<QString> m_files;
    QSet<QString> m_temporary;
    quint64 m_nextTemporary = 0;
};

} // namespace quillory
