#include "support/testdata.h"

#include <QFileInfo>

namespace quillory::test {

QString testDataPath(const QString& relative)
{
    return sourcePath(QStringLiteral("tests/data/") + relative);
}

QString fixturePath(const QString& relative)
{
    const QString path = QStringLiteral(QUILLORY_FIXTURES_DIR "/") + relative;
    if (!QFileInfo::exists(path))
        qFatal("missing shared fixture %s", qPrintable(path));
    return path;
}

QString sourcePath(const QString& relative)
{
    return QStringLiteral(QUILLORY_SOURCE_DIR "/") + relative;
}

} // namespace quillory::test
