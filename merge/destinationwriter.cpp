#include "merge/destinationwriter.h"

#include <QFile>

namespace quillory {

DestinationWriter::DestinationWriter(FileSystem& fs, QString path)
    : m_fs(fs), m_path(std::move(path))
{
    m_rootError = m_fs.openFolder(m_path.isEmpty() ? QStringLiteral("/") : m_path, &m_root);
}

QString DestinationWriter::fullPath(const QString& relative) const
{
    return m_path + QLatin1Char('/') + relative;
}

DestinationWriter::Place DestinationWriter::locate(const QString& relativePath)
{
    Place place;
    // A text with a NUL would name a shorter path than the one checked, so it names nothing.
    if (relativePath.contains(QChar(0))) {
        place.folderError = EINVAL;
        return place;
    }
    QByteArray bytes = QFile::encodeName(relativePath);
    while (bytes.endsWith('/'))
        bytes.chop(1);
    const qsizetype slash = bytes.lastIndexOf('/');
    place.name = bytes.mid(slash + 1);
    const QByteArray folder = slash < 0 ? QByteArray() : bytes.left(slash);
    // Naming P itself: when P is gone (it would have been found existing), making it again
    // would create something in P's parent.
    const bool namesRoot = [&] {
        for (const QByteArray& name : bytes.split('/')) {
            if (!name.isEmpty() && name != ".")
                return false;
        }
        return true;
    }();
    if (namesRoot) {
        place.folderError = EXDEV;
        return place;
    }
    if (m_rootError != 0) {
        place.folderError = m_rootError;
        return place;
    }
    // Most names of a run sit in P or one level below it: P needs no opening.
    bool onlyDots = true;
    for (const QByteArray& name : folder.split('/'))
        onlyDots = onlyDots && (name.isEmpty() || name == ".");
    if (onlyDots) {
        place.inRoot = true;
        return place;
    }
    place.folderError = m_fs.openBeneath(m_root, folder, &place.folder);
    return place;
}

const FolderHandle& DestinationWriter::folderOf(const Place& place) const
{
    return place.inRoot ? m_root : place.folder;
}

bool DestinationWriter::exists(const Place& place, const QString& fullPath)
{
    // Beyond P, or naming P itself, only the name can tell; a folder on the way that cannot be
    // opened holds nothing.
    if (place.leadsOutside())
        return m_fs.exists(fullPath);
    if (place.folderError != 0)
        return false;
    return m_fs.existsAt(folderOf(place), place.name);
}

FsStatus DestinationWriter::createFolder(const Place& place, const QString& fullPath)
{
    if (place.folderError != 0)
        return FsStatus::failed(FileSystem::describeError(QStringLiteral("Cannot create folder"),
                                                          fullPath, place.folderError));
    return m_fs.makeDirectoryAt(folderOf(place), place.name, fullPath);
}

FsStatus DestinationWriter::writeFile(const Place& place, const QString& fullPath,
                                      const QByteArray& contents)
{
    if (place.folderError != 0)
        return FsStatus::failed(FileSystem::describeError(QStringLiteral("Cannot write file"),
                                                          fullPath, place.folderError));
    const FolderHandle& folder = folderOf(place);
    QByteArray tempName;
    const FsStatus written =
        m_fs.writeTemporaryFileAt(folder, place.name, contents, &tempName, fullPath);
    if (!written.isOk())
        return written;
    const FsStatus renamed = m_fs.renameNoReplaceAt(folder, tempName, place.name, fullPath);
    if (!renamed.isOk())
        m_fs.removeFileAt(folder, tempName);
    return renamed;
}

} // namespace quillory
