#include "merge/destinationwriter.h"

#include <QFile>

namespace quillory {

namespace {

// Whether path holds no name but "" and "." between its slashes.
bool namesNothing(QByteArrayView path)
{
    bool dotOnly = true; // in the current name so far
    qsizetype length = 0;
    for (const char c : path) {
        if (c == '/') {
            dotOnly = true;
            length = 0;
            continue;
        }
        ++length;
        if (c != '.' || length > 1)
            dotOnly = false;
        if (!dotOnly)
            return false;
    }
    return true;
}

} // namespace

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
    const QByteArray bytes = QFile::encodeName(relativePath);
    qsizetype end = bytes.size();
    while (end > 0 && bytes.at(end - 1) == '/')
        --end;
    const qsizetype slash = end > 0 ? bytes.lastIndexOf('/', end - 1) : -1;
    place.name = bytes.sliced(slash + 1, end - slash - 1);
    const QByteArrayView folder = slash < 0 ? QByteArrayView() : QByteArrayView(bytes).first(slash);
    // Naming P itself: when P is gone (it would have been found existing), making it again
    // would create something in P's parent.
    if (namesNothing(folder) && namesNothing(place.name)) {
        place.folderError = EXDEV;
        return place;
    }
    if (m_rootError != 0) {
        place.folderError = m_rootError;
        return place;
    }
    // Most names of a run sit in P or one level below it: P needs no opening.
    if (namesNothing(folder)) {
        place.inRoot = true;
        return place;
    }
    place.folderError = m_fs.openBeneath(m_root, folder.toByteArray(), &place.folder);
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
