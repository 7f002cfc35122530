#include "merge/posixfilesystem.h"
#include "merge/runsignals.h"

#include "core/locationbookmark.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#if __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#endif

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

int renameNoReplaceSyscall(int dir, const char* from, const char* to)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    return ::renameat2(dir, from, dir, to, RENAME_NOREPLACE);
#elif defined(SYS_renameat2)
    return static_cast<int>(::syscall(SYS_renameat2, dir, from, dir, to, RENAME_NOREPLACE));
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

// Set once the kernel has said it has no openat2 (before Linux 5.6).
std::atomic<bool> g_noOpenat2{false};

// openat2 with RESOLVE_BENEATH: the kernel refuses any way out of dir, symbolic links and ".."
// included. -1 with errno ENOSYS where it cannot.
int openBeneathByKernel(int dir, const char* relative)
{
#if defined(SYS_openat2) && defined(RESOLVE_BENEATH)
    struct open_how how;
    std::memset(&how, 0, sizeof how);
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(::syscall(SYS_openat2, dir, relative, &how, sizeof how));
#else
    Q_UNUSED(dir);
    Q_UNUSED(relative);
    errno = ENOSYS;
    return -1;
#endif
}

// Puts the names of path in front of pending, in order ("" and "." name nothing).
void prependNames(std::deque<QByteArray>& pending, const QByteArray& path)
{
    const QList<QByteArray> names = path.split('/');
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!it->isEmpty() && *it != ".")
            pending.push_front(*it);
    }
}

// Where the kernel says an open folder is now.
std::optional<QByteArray> placeOf(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(link, buffer, sizeof buffer);
    if (n <= 0 || n == sizeof buffer || buffer[0] != '/')
        return std::nullopt;
    return QByteArray(buffer, n);
}

// The place of an absolute link target relative to root: 0 and the rest in *rest, EXDEV when it
// is outside root, or why the target does not resolve.
int relativeToRoot(int root, const QByteArray& target, QByteArray* rest)
{
    char* resolved = ::realpath(target.constData(), nullptr);
    if (!resolved)
        return errno;
    const QByteArray canonical(resolved);
    std::free(resolved);
    const std::optional<QByteArray> rootPlace = placeOf(root);
    if (!rootPlace)
        return EXDEV;
    if (*rootPlace == "/") {
        *rest = canonical.mid(1);
        return 0;
    }
    if (canonical == *rootPlace) {
        rest->clear();
        return 0;
    }
    if (canonical.startsWith(*rootPlace) && canonical.at(rootPlace->size()) == '/') {
        *rest = canonical.mid(rootPlace->size() + 1);
        return 0;
    }
    return EXDEV;
}

// Long names would push the temporary name past the file system's limit; the cut never splits
// a character.
QByteArray shortenedHint(const QByteArray& name)
{
    constexpr qsizetype kMaxHint = 48;
    if (name.size() <= kMaxHint)
        return name;
    qsizetype end = kMaxHint;
    while (end > 0 && (static_cast<unsigned char>(name.at(end)) & 0xC0) == 0x80)
        --end;
    return name.left(end);
}

QByteArray uniqueSuffix()
{
    // The process id keeps names of two programs apart; asked once, as it costs a system call.
    static const QByteArray process = QByteArray::number(::getpid(), 36) + '-';
    static std::atomic<quint64> counter{0};
    return process + QByteArray::number(counter.fetch_add(1, std::memory_order_relaxed), 36);
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

// The folder part of a full path, for the messages and hooks that name a place in it.
QString folderOf(const QString& fullPath)
{
    const qsizetype slash = fullPath.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : fullPath.left(slash);
}

} // namespace

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

int PosixFileSystem::openFolder(const QString& path, FolderHandle* folder)
{
    if (!encodable(path))
        return EINVAL;
    const int fd = ::open(encode(path).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    folder->reset(fd);
    return 0;
}

int PosixFileSystem::openBeneath(const FolderHandle& root, const QByteArray& relative,
                                 FolderHandle* folder)
{
    if (!root.isOpen())
        return EBADF;
    if (relative.contains('\0'))
        return EINVAL;
    if (m_resolveStrategy == ResolveStrategy::Automatic &&
        !g_noOpenat2.load(std::memory_order_relaxed)) {
        const int fd =
            openBeneathByKernel(root.fd(), relative.isEmpty() ? "." : relative.constData());
        if (fd >= 0) {
            folder->reset(fd);
            return 0;
        }
        const int err = errno;
        if (err == ENOSYS)
            g_noOpenat2.store(true, std::memory_order_relaxed);
        // EXDEV also comes for a link to an absolute path, which may well lead inside; EAGAIN
        // for a rename elsewhere during the lookup. The walk decides both.
        else if (err != EXDEV && err != EAGAIN)
            return err;
    }
    return walkBeneath(root.fd(), relative, folder);
}

int PosixFileSystem::walkBeneath(int root, const QByteArray& relative, FolderHandle* folder)
{
    // As the kernel does: more links than this on one way is a loop.
    constexpr int kMaxLinks = 40;
    // The folders opened on the way below root, the deepest last; ".." goes back one.
    std::vector<FolderHandle> levels;
    std::deque<QByteArray> pending;
    prependNames(pending, relative);
    int links = 0;
    while (!pending.empty()) {
        const QByteArray name = std::move(pending.front());
        pending.pop_front();
        if (name == "..") {
            if (levels.empty())
                return EXDEV;
            levels.pop_back();
            continue;
        }
        const int at = levels.empty() ? root : levels.back().fd();
        // Never followed by the kernel: a link is read and walked here, level by level.
        const int fd =
            ::openat(at, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            levels.emplace_back(fd);
            continue;
        }
        const int err = errno;
        char target[PATH_MAX];
        const ssize_t n = err == ENOTDIR || err == ELOOP
                              ? ::readlinkat(at, name.constData(), target, sizeof target)
                              : -1;
        if (n < 0)
            return err;
        if (n == sizeof target)
            return ENAMETOOLONG;
        if (++links > kMaxLinks)
            return ELOOP;
        const QByteArray to(target, n);
        if (to.startsWith('/')) {
            QByteArray rest;
            if (const int outcome = relativeToRoot(root, to, &rest))
                return outcome;
            levels.clear();
            prependNames(pending, rest);
        } else {
            prependNames(pending, to);
        }
    }
    const int fd = levels.empty() ? ::fcntl(root, F_DUPFD_CLOEXEC, 0) : levels.back().release();
    if (fd < 0)
        return errno;
    folder->reset(fd);
    return 0;
}

bool PosixFileSystem::existsAt(const FolderHandle& folder, const QByteArray& name)
{
    struct stat st;
    return ::fstatat(folder.fd(), name.constData(), &st, 0) == 0;
}

FsStatus PosixFileSystem::makeDirectoryAt(const FolderHandle& folder, const QByteArray& name,
                                          const QString& fullPath)
{
    if (::mkdirat(folder.fd(), name.constData(), 0777) == 0)
        return FsStatus::ok();
    const int err = errno;
    if (err == EEXIST)
        return FsStatus::exists();
    return FsStatus::failed(describeError(QStringLiteral("Cannot create folder"), fullPath, err));
}

FsStatus PosixFileSystem::writeTemporaryFileAt(const FolderHandle& folder, const QByteArray& name,
                                               const QByteArray& contents, QByteArray* tempName,
                                               const QString& fullPath)
{
    const QString what = QStringLiteral("Cannot write file");
    const QByteArray stem = '.' + shortenedHint(name) + ".qly-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = stem + uniqueSuffix();
        // Before the file exists, so that no moment goes by when a signal would leave it.
        RunSignals::remember(folder.fd(), candidate);
        const int fd = ::openat(folder.fd(), candidate.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int err = errno;
            if (err == EEXIST || err == EINTR)
                continue;
            RunSignals::forget();
            return FsStatus::failed(describeError(what, fullPath, err));
        }
        const bool written = writeAll(fd, contents);
        int err = written ? 0 : errno;
        if (::close(fd) != 0 && err == 0)
            err = errno;
        if (err != 0) {
            ::unlinkat(folder.fd(), candidate.constData(), 0);
            RunSignals::forget();
            return FsStatus::failed(describeError(what, fullPath, err));
        }
        *tempName = candidate;
        return FsStatus::ok();
    }
    RunSignals::forget();
    return FsStatus::failed(describeError(what, fullPath, EEXIST));
}

FsStatus PosixFileSystem::renameNoReplaceAt(const FolderHandle& folder, const QByteArray& from,
                                            const QByteArray& to, const QString& fullPath)
{
    if (m_beforeRename)
        m_beforeRename(folderOf(fullPath) + QLatin1Char('/') + QFile::decodeName(from), fullPath);
    const QString what = QStringLiteral("Cannot write file");
    const int dir = folder.fd();
    if (m_renameStrategy == RenameStrategy::Automatic) {
        if (renameNoReplaceSyscall(dir, from.constData(), to.constData()) == 0) {
            RunSignals::forget();
            return FsStatus::ok();
        }
        const int err = errno;
        if (err == EEXIST)
            return FsStatus::exists();
        if (!renameUnsupported(err))
            return FsStatus::failed(describeError(what, fullPath, err));
    }
    // linkat() never replaces what is at its target, which is what the run promises.
    if (::linkat(dir, from.constData(), dir, to.constData(), 0) != 0) {
        const int err = errno;
        if (err == EEXIST)
            return FsStatus::exists();
        return FsStatus::failed(describeError(what, fullPath, err));
    }
    ::unlinkat(dir, from.constData(), 0);
    RunSignals::forget();
    return FsStatus::ok();
}

bool PosixFileSystem::removeFileAt(const FolderHandle& folder, const QByteArray& name)
{
    const bool removed = ::unlinkat(folder.fd(), name.constData(), 0) == 0;
    RunSignals::forget();
    return removed;
}

} // namespace quillory
