#include "merge/posixfilesystem.h"

#include "core/locationbookmark.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace quillory {

namespace {

// A text with a NUL would name a shorter path than the one checked, so it names nothing.
bool encodable(const QString& path)
{
    return !path.contains(QChar(0));
}

QByteArray encode(const QString& path)
{
    return QFile::encodeName(path);
}

int renameNoReplaceSyscall(const char* from, const char* to)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#elif defined(SYS_renameat2)
    return static_cast<int>(
        ::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
#else
    errno = ENOSYS;
    return -1;
#endif
}

// Errors that say the kernel or the file system cannot rename without replacing.
bool renameUnsupported(int errnum)
{
    return errnum == EINVAL || errnum == ENOSYS || errnum == EOPNOTSUPP || errnum == ENOTSUP;
}

// Long names would push the temporary name past the file system's limit.
QString shortenedHint(const QString& hint)
{
    constexpr qsizetype kMaxHint = 48;
    QString s = hint.left(kMaxHint);
    if (!s.isEmpty() && s.back().isHighSurrogate())
        s.chop(1);
    return s;
}

QString uniqueSuffix()
{
    // The process id keeps names of two programs apart; asked once, as it costs a system call.
    static const QString process = QString::number(::getpid(), 36) + QLatin1Char('-');
    static std::atomic<quint64> counter{0};
    return process + QString::number(counter.fetch_add(1, std::memory_order_relaxed), 36);
}

bool writeAll(int fd, const QByteArray& contents)
{
    const char* p = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

QString PosixFileSystem::describeError(const QString& what, const QString& path, int errnum)
{
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in buffer.
    const char* reason = ::strerror_r(errnum, buffer, sizeof buffer);
    return what + QStringLiteral(" '") + path + QStringLiteral("': ") +
           QString::fromLocal8Bit(reason);
}

bool PosixFileSystem::startAccessing(const QString& path)
{
    return LocationBookmark::checkAccess(path, LocationBookmark::Access::ReadWrite);
}

void PosixFileSystem::stopAccessing(const QString& path)
{
    Q_UNUSED(path); // access is checked, not granted: nothing to release
}

bool PosixFileSystem::exists(const QString& path)
{
    struct stat st;
    return encodable(path) && ::stat(encode(path).constData(), &st) == 0;
}

bool PosixFileSystem::isDirectory(const QString& path)
{
    struct stat st;
    return encodable(path) && ::stat(encode(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileSystem::Entry PosixFileSystem::entryAt(const QString& path)
{
    struct stat st;
    if (!encodable(path) || ::lstat(encode(path).constData(), &st) != 0)
        return Entry::Missing;
    return S_ISLNK(st.st_mode) ? Entry::SymbolicLink : Entry::Other;
}

std::optional<QString> PosixFileSystem::canonicalPath(const QString& path)
{
    if (!encodable(path))
        return std::nullopt;
    char* resolved = ::realpath(encode(path).constData(), nullptr);
    if (!resolved)
        return std::nullopt;
    QString result = QFile::decodeName(resolved);
    std::free(resolved);
    return result;
}

FsStatus PosixFileSystem::makeDirectory(const QString& path)
{
    const QString what = QStringLiteral("Cannot create folder");
    if (!encodable(path))
        return FsStatus::failed(describeError(what, path, EINVAL));
    if (::mkdir(encode(path).constData(), 0777) == 0)
        return FsStatus::ok();
    const int err = errno;
    if (err == EEXIST)
        return FsStatus::exists();
    return FsStatus::failed(describeError(what, path, err));
}

FsStatus PosixFileSystem::writeTemporaryFile(const QString& folder, const QString& nameHint,
                                             const QByteArray& contents, QString* tempPath)
{
    const QString what = QStringLiteral("Cannot write file");
    const QString target = folder + QLatin1Char('/') + nameHint;
    if (!encodable(folder) || !encodable(nameHint))
        return FsStatus::failed(describeError(what, target, EINVAL));
    const QString stem =
        folder + QStringLiteral("/.") + shortenedHint(nameHint) + QStringLiteral(".qly-");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = stem + uniqueSuffix();
        const QByteArray name = encode(candidate);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR)
                continue;
            return FsStatus::failed(describeError(what, target, errno));
        }
        const bool written = writeAll(fd, contents);
        int err = written ? 0 : errno;
        if (::close(fd) != 0 && err == 0)
            err = errno;
        if (err != 0) {
            ::unlink(name.constData());
            return FsStatus::failed(describeError(what, target, err));
        }
        *tempPath = candidate;
        return FsStatus::ok();
    }
    return FsStatus::failed(describeError(what, target, EEXIST));
}

FsStatus PosixFileSystem::renameNoReplace(const QString& from, const QString& to)
{
    if (!encodable(from) || !encodable(to))
        return FsStatus::failed(describeError(QStringLiteral("Cannot write file"), to, EINVAL));
    if (m_beforeRename)
        m_beforeRename(from, to);
    const QByteArray f = encode(from);
    const QByteArray t = encode(to);
    if (m_strategy == RenameStrategy::Automatic) {
        if (renameNoReplaceSyscall(f.constData(), t.constData()) == 0)
            return FsStatus::ok();
        const int err = errno;
        if (err == EEXIST)
            return FsStatus::exists();
        if (!renameUnsupported(err))
            return FsStatus::failed(describeError(QStringLiteral("Cannot write file"), to, err));
    }
    return linkAndUnlink(f, t, to);
}

FsStatus PosixFileSystem::linkAndUnlink(const QByteArray& from, const QByteArray& to,
                                        const QString& toPath)
{
    // link() never replaces what is at its target, which is what the run promises.
    if (::link(from.constData(), to.constData()) != 0) {
        const int err = errno;
        if (err == EEXIST)
            return FsStatus::exists();
        return FsStatus::failed(describeError(QStringLiteral("Cannot write file"), toPath, err));
    }
    ::unlink(from.constData());
    return FsStatus::ok();
}

bool PosixFileSystem::removeFile(const QString& path)
{
    return encodable(path) && ::unlink(encode(path).constData()) == 0;
}

} // namespace quillory
