#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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
// or race. Paths are absolute texts; nothing here decides policy.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // Opens and closes the right to use a chosen location; a refusal means it may not be
    // used now. Each successful start is matched by one stop.
    virtual bool startAccessing(const QString& path) = 0;
    virtual void stopAccessing(const QString& path) = 0;

    // Whether something exists at path, following symbolic links.
    virtual bool exists(const QString& path) = 0;
    virtual bool isDirectory(const QString& path) = 0;
    // What stands at path itself (a final symbolic link is not followed).
    enum class Entry { Missing, SymbolicLink, Other };
    virtual Entry entryAt(const QString& path) = 0;
    // path with every symbolic link, "." and ".." resolved; none when it does not resolve.
    virtual std::optional<QString> canonicalPath(const QString& path) = 0;

    // Creates one folder whose parent must exist; Exists when something is there already.
    virtual FsStatus makeDirectory(const QString& path) = 0;
    // Creates a new file with a unique hidden name in folder (nameHint helps to recognise
    // it) holding contents; its path goes to tempPath. Nothing is left behind on failure.
    virtual FsStatus writeTemporaryFile(const QString& folder, const QString& nameHint,
                                        const QByteArray& contents, QString* tempPath) = 0;
    // Gives from the name to unless something exists there (Exists; from stays).
    virtual FsStatus renameNoReplace(const QString& from, const QString& to) = 0;
    virtual bool removeFile(const QString& path) = 0;
};

} // namespace quillory
