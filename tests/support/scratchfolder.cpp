#include "support/scratchfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillory::test {

QString ScratchFolder::writeFile(const QString& name, const QByteArray& content) const
{
    const QString path = m_dir.filePath(name);
    if (!test::writeFile(path, content))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace quillory::test
