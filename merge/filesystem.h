#pragma once

#include "merge/folderhandle.h"

#include <QByteArray>
#include <QString>

namespace quillory {

// The outcome of one file-system call of a run: done, refused because something is already
// there, or failed with a readable message that names the path and the system's reason.
struct FsStatus
{
    enum class Code { Ok, Exists, Failed };
    Code code = Code::Ok;
    QString message;

    static FsStatus ok() { return {}; }
    static FsStatus exists() { return {Code::Exists, {}}; }
    static FsStatus failed(QString message) { return {Code::Failed, std::move(message)}; }
    bool isOk() const { return code == Code::Ok; }
    bool isExists() const { return code == Code::Exists; }
    bool isFailed() const { return code == Code::Failed; }
};

// The file-system calls a run makes, behind one seam so that tests can make any of them fail
// or race. Creations are made relative to open folders, by names of one level (bytes as the
// system takes them); fullPath arguments only name the place in messages.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // "<what> '<path>': <the system's reason for errnum>".
    static QString describeError(const QString& what, const QString& path, int errnum);

    // Opens and closes the right to use a chosen location; a refusal means it may not be
    // used now. Each successful start is matched by one stop.
    virtual bool startAccessing(const QString& path) = 0;
    virtual void stopAccessing(const QString& path) = 0;

    // Whether something exists at path, following symbolic links.
    virtual bool exists(const QString& path) = 0;
    virtual bool isDirectory(const QString& path) = 0;

    // Opens the folder at path, following symbolic links; 0 or the system's error number.
    virtual int openFolder(const QString& path, FolderHandle* folder) = 0;
    // Opens the folder that relative names beneath root without ever leaving root: neither a
    // symbolic link nor ".." may lead out of it, while a link to another place inside it is
    // followed. 0, EXDEV when the way leads outside root, or the system's error number.
    virtual int openBeneath(const FolderHandle& root, const QByteArray& relative,
                            FolderHandle* folder) = 0;
    // Whether something exists at name in folder, following a final symbolic link.
    virtual bool existsAt(const FolderHandle& folder, const QByteArray& name) = 0;

    // Creates the folder name in folder; Exists when something is there already.
    virtual FsStatus makeDirectoryAt(const FolderHandle& folder, const QByteArray& name,
                                     const QString& fullPath) = 0;
    // Creates a new file with a unique hidden name in folder (name helps to recognise it)
    // holding contents; that name goes to tempName. Nothing is left behind on failure.
    virtual FsStatus writeTemporaryFileAt(const FolderHandle& folder, const QByteArray& name,
                                          const QByteArray& contents, QByteArray* tempName,
                                          const QString& fullPath) = 0;
    // Gives from the name to in folder unless something exists there (Exists; from stays).
    virtual FsStatus renameNoReplaceAt(const FolderHandle& folder, const QByteArray& from,
                                       const QByteArray& to, const QString& fullPath) = 0;
    virtual bool removeFileAt(const FolderHandle& folder, const QByteArray& name) = 0;
};

} // namespace quillory
