#include "merge/destination.h"

namespace quillory {

namespace {

// The folder that holds what fullPath names: final "/"s dropped, then the last component.
QString parentFolder(const QString& fullPath)
{
    qsizetype end = fullPath.size();
    while (end > 0 && fullPath.at(end - 1) == QLatin1Char('/'))
        --end;
    if (end == 0)
        return QStringLiteral("/");
    const qsizetype slash = fullPath.lastIndexOf(QLatin1Char('/'), end - 1);
    if (slash < 0)
        return QStringLiteral(".");
    if (slash == 0)
        return QStringLiteral("/");
    return fullPath.left(slash);
}

} // namespace

Destination::Destination(FileSystem& fs, QString path)
    : m_fs(fs), m_path(std::move(path)),
      m_canonicalPath(m_fs.canonicalPath(m_path.isEmpty() ? QStringLiteral("/") : m_path))
{}

QString Destination::fullPath(const QString& relative) const
{
    return m_path + QLatin1Char('/') + relative;
}

bool Destination::isInside(const QString& canonical) const
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

bool Destination::leadsOutside(const QString& fullPath)
{
    // A parent that does not resolve (missing) makes the creation itself fail, which the run
    // reports as such; only a parent that exists somewhere else is a way out.
    const std::optional<QString> parent = m_fs.canonicalPath(parentFolder(fullPath));
    return parent && !isInside(*parent);
}

FsStatus Destination::createFolder(const QString& fullPath)
{
    return m_fs.makeDirectory(fullPath);
}

FsStatus Destination::writeFile(const QString& fullPath, const QByteArray& contents)
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
