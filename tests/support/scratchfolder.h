#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace quillory::test {

// A temporary folder for what one test writes and reads; removed with the object.
class ScratchFolder
{
public:
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // Writes content to name (parent folders made as needed) and returns its path; a test
    // that cannot write its input stops at once.
    QString writeFile(const QString& name, const QByteArray& content) const;

private:
    QTemporaryDir m_dir;
};

// Writes content to path, making parent folders; false on any failure.
bool writeFile(const QString& path, const QByteArray& content);
// The whole file, or an empty array when it cannot be read.
QByteArray readFile(const QString& path);

} // namespace quillory::test
