#include "archive/wholefilereader.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

std::function<void(const QString&)>& partsReadHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

// Below this a single read is as quick.
constexpr qint64 kPartedRead = qint64(16) << 20;

// Reads [from, to) of fd into buffer; 0 when it all came, else errno (or -1 for a short file).
int readPart(int fd, char* buffer, qint64 from, qint64 to)
{
    qint64 at = from;
    while (at < to) {
        const ssize_t n = ::pread(fd, buffer + at, size_t(to - at), off_t(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return -1;
        at += n;
    }
    return 0;
}

// What the fallback reads at once.
constexpr qint64 kReadPart = qint64(1) << 20;

QString tooLarge(qint64 limit)
{
    return QStringLiteral("the file holds more than %1, more than any document")
        .arg(QLocale::c().formattedDataSize(limit, 0));
}

} // namespace

Result<QByteArray> WholeFileReader::read(const QString& path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    try {
        return readOpened(file, limit);
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("there is not enough memory to read the file"));
    }
}

void WholeFileReader::setPartsReadHook(std::function<void(const QString& path)> hook)
{
    partsReadHook() = std::move(hook);
}

Result<QByteArray> WholeFileReader::readOpened(QFile& file, qint64 limit)
{
    struct stat before = {};
    const int fd = file.handle();
    const unsigned threads = std::min(4u, std::thread::hardware_concurrency());
    const bool regular = fd >= 0 && ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
    if (regular && before.st_size > limit)
        return fail(tooLarge(limit));
    if (regular && before.st_size >= kPartedRead && threads > 1) {
        const qint64 size = before.st_size;
        QByteArray data(qsizetype(size), Qt::Uninitialized);
        char* const buffer = data.data();
        std::vector<int> results(threads, 0);
        std::vector<std::thread> helpers;
        const qint64 step = (size + threads - 1) / threads;
        for (unsigned t = 1; t < threads; ++t) {
            const auto part = [&, t] {
                results[t] =
                    readPart(fd, buffer, std::min(size, t * step), std::min(size, (t + 1) * step));
            };
            try {
                helpers.emplace_back(part);
            } catch (const std::system_error&) {
                part(); // no thread to be had: read here
            }
        }
        results[0] = readPart(fd, buffer, 0, std::min(size, step));
        for (std::thread& h : helpers)
            h.join();
        if (partsReadHook())
            partsReadHook()(file.fileName());
        struct stat after = {};
        const bool unchanged = ::fstat(fd, &after) == 0 && after.st_size == size &&
                               after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                               after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
        for (const int r : results)
            if (r > 0)
                return fail(QString::fromLocal8Bit(std::strerror(r)));
        if (unchanged && std::all_of(results.begin(), results.end(), [](int r) { return !r; }))
            return data;
        if (!file.seek(0))
            return fail(file.errorString());
    }
    // In parts, so that a device that never ends (or a file that grows) stops at the limit.
    QByteArray data;
    for (;;) {
        const QByteArray part = file.read(std::min<qint64>(kReadPart, limit - data.size() + 1));
        if (file.error() != QFileDevice::NoError)
            return fail(file.errorString());
        if (part.isEmpty())
            return data;
        data += part;
        if (data.size() > limit)
            return fail(tooLarge(limit));
    }
}

} // namespace quillory
