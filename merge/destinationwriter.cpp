#include "merge/destinationwriter.h"

#include <QList>
#include <QStringTokenizer>

namespace quillory {

DestinationWriter::DestinationWriter(FileSystem& fs, QString path)
    : m_fs(fs), m_path(std::move(path)),
      m_canonicalPath(m_fs.canonicalPath(m_path.isEmpty() ? QStringLiteral("/") : m_path))
{}

QString DestinationWriter::fullPath(const QString& relative) const
{
    return m_path + QLatin1Char('/') + relative;
}

bool DestinationWriter::isInside(const QString& canonical) const
{
    // Without a resolvable destination nothing can be shown to stay inside it.
    if (!m_canonicalPath)
        return false;
    const QString& root = *m_canonicalPath;
    if (root == QLatin1String("/"))
        return true;
    return canonical == root ||
           (canonical.startsWith(root) && canonical.at(root.size()) == QLatin1Char('/'));
}

bool DestinationWriter::leadsOutside(const QString& relativePath)
{
    QList<QStringView> components;
    for (QStringView c : QStringTokenizer(relativePath, QLatin1Char('/'))) {
        if (!c.isEmpty() && c != QLatin1String("."))
            components.append(c);
    }
    // Naming P itself, which is gone (it would have been found existing): making it again
    // would create something in P's parent.
    if (components.isEmpty())
        return true;
    // Only the folders on the way can lead elsewhere: a link at the last place is something
    // that exists there, which the creation refuses to replace. Walking from P costs one
    // lstat per level, where resolving the whole path would cost one per component of P too.
    QString path = m_path;
    for (qsizetype i = 0; i + 1 < components.size(); ++i) {
        path += QLatin1Char('/');
        path += components[i];
        switch (m_fs.entryAt(path)) {
        case FileSystem::Entry::Missing:
            // The creation itself fails and says so.
            return false;
        case FileSystem::Entry::SymbolicLink: {
            const std::optional<QString> target = m_fs.canonicalPath(path);
            if (target && !isInside(*target))
                return true;
            break;
        }
        case FileSystem::Entry::Other:
            break;
        }
    }
    return false;
}

FsStatus DestinationWriter::createFolder(const QString& fullPath)
{
    return m_fs.makeDirectory(fullPath);
}

FsStatus DestinationWriter::writeFile(const QString& fullPath, const QByteArray& contents)
{
    const qsizetype slash = fullPath.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : fullPath.left(slash);
    const QString name = fullPath.mid(slash + 1);
    QString tempPath;
    const FsStatus written = m_fs.writeTemporaryFile(folder, name, contents, &tempPath);
    if (!written.isOk())
        return written;
    const FsStatus renamed = m_fs.renameNoReplace(tempPath, fullPath);
    if (!renamed.isOk())
        m_fs.removeFile(tempPath);
    return renamed;
}

} // namespace quillory
