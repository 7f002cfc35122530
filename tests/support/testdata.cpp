#include "support/testdata.h"

namespace quillory::test {

QString testDataPath(const QString& relative)
{
    return sourcePath(QStringLiteral("tests/data/") + relative);
}

QString fixturePath(const QString& relative)
{
    return QStringLiteral(QUILLORY_FIXTURES_DIR "/") + relative;
}

QString sourcePath(const QString& relative)
{
    return QStringLiteral(QUILLORY_SOURCE_DIR "/") + relative;
}

} // namespace quillory::test
