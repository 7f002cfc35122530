#include "cli/streams.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

QString shown(const QString& path)
{
    return path == QLatin1String("-") ? QStringLiteral("standard input/output")
                                      : QLatin1Char('\'') + path + QLatin1Char('\'');
}

QString reason(int errnum)
{
    return QString::fromLocal8Bit(std::strerror(errnum));
}

} // namespace

bool Streams::isSpecialNode(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

Result<QByteArray> Streams::readAll(const QString& path, const PartCheck& check)
{
    const bool standard = path == QLatin1String("-");
    const int fd =
        standard ? STDIN_FILENO : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("cannot read ") + shown(path) + QStringLiteral(": ") +
                    reason(errno));
    QByteArray bytes;
    char buffer[65536];
    int err = 0;
    std::optional<QString> refused;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            if (check && (refused = check(QByteArrayView(buffer, n))))
                break;
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            err = errno;
        break;
    }
    if (!standard)
        ::close(fd);
    if (refused)
        return fail(*refused);
    if (err != 0)
        return fail(QStringLiteral("cannot read ") + shown(path) + QStringLiteral(": ") +
                    reason(err));
    return bytes;
}

Result<> Streams::writeInPlace(const QString& path,
                               const std::function<bool(const Writer& write)>& produce)
{
    const bool standard = path == QLatin1String("-");
    const int fd =
        standard ? STDOUT_FILENO
                 : ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("cannot write to ") + shown(path) + QStringLiteral(": ") +
                    reason(errno));
    int err = 0;
    produce([fd, &err](const QByteArray& bytes) {
        const char* p = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, p, size_t(left));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                err = errno;
                return false;
            }
            p += n;
            left -= n;
        }
        return true;
    });
    if (!standard && ::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        return fail(QStringLiteral("cannot write to ") + shown(path) + QStringLiteral(": ") +
                    reason(err));
    return {};
}

} // namespace quillory
