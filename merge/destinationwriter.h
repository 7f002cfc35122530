#pragma once

#include "merge/filesystem.h"

#include <optional>

namespace quillory {

// The folder a run creates things in: keeps every creation inside it and never replaces
// anything that is there, even when something appears between the check and the write.
class DestinationWriter
{
public:
    // path is the destination folder P, without a final "/".
    DestinationWriter(FileSystem& fs, QString path);

    const QString& path() const { return m_path; }
    // P + "/" + relative.
    QString fullPath(const QString& relative) const;
    bool exists(const QString& fullPath) { return m_fs.exists(fullPath); }

    // Whether what relativePath names would be made outside P: in a folder reached through
    // a symbolic link that resolves outside P, or (naming P itself) in P's parent.
    bool leadsOutside(const QString& relativePath);

    // Exists when something is there already (also when it appeared since the last check).
    FsStatus createFolder(const QString& fullPath);
    // Writes contents through a temporary file in the same folder and a rename that refuses to
    // replace; Exists when something is at fullPath, which is then left untouched.
    FsStatus writeFile(const QString& fullPath, const QByteArray& contents);

private:
    bool isInside(const QString& canonical) const;

    FileSystem& m_fs;
    QString m_path;
    std::optional<QString> m_canonicalPath;
};

} // namespace quillory
