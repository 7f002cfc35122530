#include "merge/filesystem.h"

#include <cstring>

namespace quillory {

QString FileSystem::describeError(const QString& what, const QString& path, int errnum)
{
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in buffer.
    const char* reason = ::strerror_r(errnum, buffer, sizeof buffer);
    return what + QStringLiteral(" '") + path + QStringLiteral("': ") +
           QString::fromLocal8Bit(reason);
}

} // namespace quillory
