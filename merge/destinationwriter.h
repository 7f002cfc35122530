#pragma once

#include "merge/filesystem.h"

#include <cerrno>

namespace quillory {

// The folder a run creates things in: opened once when the run starts, then every creation is
// made relative to folders opened beneath it, so that nothing is made outside it even when a
// folder on the way is swapped for a symbolic link meanwhile; never replaces anything there.
class DestinationWriter
{
public:
    // Where one relative path leads: the folder that holds it, opened beneath P, and its name
    // there.
    struct Place
    {
        FolderHandle folder;
        // 0 when folder is open; EXDEV when the way leads outside P (or names P itself);
        // otherwise why the folder cannot be opened.
        int folderError = 0;
        QByteArray name;
        // Whether the folder is P itself, whose handle the writer holds.
        bool inRoot = false;

        // Whether what the place names would be made outside P: in a folder reached through a
        // symbolic link that resolves outside P, or (naming P itself) in P's parent.
        bool leadsOutside() const { return folderError == EXDEV; }
    };

    // path is the destination folder P, without a final "/". A symbolic link at P is followed
    // once, here.
    DestinationWriter(FileSystem& fs, QString path);

    const QString& path() const { return m_path; }
    // P + "/" + relative.
    QString fullPath(const QString& relative) const;

    Place locate(const QString& relativePath);
    // Whether something exists at the place (fullPath is the same place by name).
    bool exists(const Place& place, const QString& fullPath);
    bool leadsOutside(const QString& relativePath) { return locate(relativePath).leadsOutside(); }

    // Exists when something is there already (also when it appeared since the last check).
    FsStatus createFolder(const Place& place, const QString& fullPath);
    // Writes contents through a temporary file in the same folder and a rename that refuses to
    // replace; Exists when something is at the place, which is then left untouched.
    FsStatus writeFile(const Place& place, const QString& fullPath, const QByteArray& contents);

private:
    const FolderHandle& folderOf(const Place& place) const;

    FileSystem& m_fs;
    QString m_path;
    FolderHandle m_root;
    int m_rootError = 0;
};

} // namespace quillory
