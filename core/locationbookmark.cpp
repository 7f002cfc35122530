#include "core/locationbookmark.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

constexpr char magic[] = "QLRYBKMK";
constexpr qsizetype magicSize = sizeof(magic) - 1;
constexpr quint16 formatVersion = 1;

enum class Kind : quint8 { Absolute = 0, DocumentRelative = 1 };

struct Identity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const Identity&) const = default;
};

struct BookmarkData
{
    LocationBookmark::Access access = LocationBookmark::Access::ReadOnly;
    Kind kind = Kind::Absolute;
    QString absolutePath;
    QString relativePath;
    Identity identity;
};

std::optional<Identity> identityAt(const QString& path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return Identity{quint64(st.st_dev), quint64(st.st_ino)};
}

QByteArray encode(const BookmarkData& b)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s.writeRawData(magic, int(magicSize));
    s << formatVersion << quint8(b.access) << quint8(b.kind) << b.absolutePath << b.relativePath
      << b.identity.device << b.identity.inode;
    return out;
}

std::optional<BookmarkData> decode(const QByteArray& data)
{
    if (data.size() <= magicSize || !data.startsWith(QByteArrayView(magic, magicSize)))
        return std::nullopt;
    QDataStream s(data);
    s.setVersion(QDataStream::Qt_6_0);
    s.skipRawData(int(magicSize));
    quint16 version = 0;
    quint8 access = 0;
    quint8 kind = 0;
    BookmarkData b;
    s >> version >> access >> kind >> b.absolutePath >> b.relativePath >> b.identity.device >>
        b.identity.inode;
    if (s.status() != QDataStream::Ok || !s.atEnd() || version != formatVersion || access > 1 ||
        kind > 1 || !QDir::isAbsolutePath(b.absolutePath))
        return std::nullopt;
    b.access =
        access == 1 ? LocationBookmark::Access::ReadWrite : LocationBookmark::Access::ReadOnly;
    b.kind = Kind(kind);
    return b;
}

std::optional<BookmarkData> describe(const QString& path, LocationBookmark::Access access)
{
    if (path.isEmpty())
        return std::nullopt;
    // The canonical path keeps the bookmark pointing at the object itself, not at a link to it.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const std::optional<Identity> identity = identityAt(canonical);
    if (!identity)
        return std::nullopt;
    return BookmarkData{access, Kind::Absolute, canonical, QString(), *identity};
}

std::optional<QString> documentFolder(const QString& docPath)
{
    if (docPath.isEmpty())
        return std::nullopt;
    const QString folder = QFileInfo(QFileInfo(docPath).absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QString> resolveAbsolute(const BookmarkData& b, bool* isStale)
{
    const std::optional<Identity> now = identityAt(b.absolutePath);
    if (!now)
        return std::nullopt;
    if (isStale)
        *isStale = *now != b.identity;
    return b.absolutePath;
}

} // namespace

std::optional<QByteArray> LocationBookmark::make(const QString& path, Access access)
{
    const std::optional<BookmarkData> b = describe(path, access);
    return b ? std::optional(encode(*b)) : std::nullopt;
}

std::optional<QString> LocationBookmark::resolve(const QByteArray& data, bool* isStale)
{
    if (isStale)
        *isStale = false;
    const std::optional<BookmarkData> b = decode(data);
    if (!b)
        return std::nullopt;
    return resolveAbsolute(*b, isStale);
}

std::optional<QByteArray> LocationBookmark::makeRelativeTo(const QString& path,
                                                           const QString& docPath, Access access)
{
    std::optional<BookmarkData> b = describe(path, access);
    const std::optional<QString> folder = documentFolder(docPath);
    if (!b || !folder)
        return std::nullopt;
    b->kind = Kind::DocumentRelative;
    b->relativePath = QDir(*folder).relativeFilePath(b->absolutePath);
    if (b->relativePath.isEmpty())
        b->relativePath = QStringLiteral(".");
    return encode(*b);
}

std::optional<QString> LocationBookmark::resolveRelativeTo(const QByteArray& data,
                                                           const QString& docPath, bool* isStale)
{
    if (isStale)
        *isStale = false;
    const std::optional<BookmarkData> b = decode(data);
    if (!b)
        return std::nullopt;
    if (b->kind == Kind::DocumentRelative) {
        if (const std::optional<QString> folder = documentFolder(docPath)) {
            const QString candidate =
                QFileInfo(QDir(*folder).absoluteFilePath(b->relativePath)).canonicalFilePath();
            if (const std::optional<Identity> now = identityAt(candidate)) {
                if (isStale)
                    *isStale = *now != b->identity;
                return candidate;
            }
        }
        // Found only where it was when the bookmark was made: the document moved without it,
        // so a fresh bookmark relative to the new place is wanted.
        const std::optional<QString> path = resolveAbsolute(*b, isStale);
        if (path && isStale)
            *isStale = true;
        return path;
    }
    return resolveAbsolute(*b, isStale);
}

std::optional<QString> LocationBookmark::recordedPath(const QByteArray& data)
{
    const std::optional<BookmarkData> b = decode(data);
    return b ? std::optional(b->absolutePath) : std::nullopt;
}

std::optional<LocationBookmark::Access> LocationBookmark::accessOf(const QByteArray& data)
{
    const std::optional<BookmarkData> b = decode(data);
    return b ? std::optional(b->access) : std::nullopt;
}

bool LocationBookmark::checkAccess(const QString& path, Access access)
{
    if (path.isEmpty())
        return false;
    const QByteArray native = QFile::encodeName(path);
    struct stat st
    {
    };
    if (::stat(native.constData(), &st) != 0)
        return false;
    int mode = R_OK;
    if (access == Access::ReadWrite)
        mode |= W_OK;
    // Nothing inside a folder can be reached without search permission.
    if (S_ISDIR(st.st_mode))
        mode |= X_OK;
    return ::access(native.constData(), mode) == 0;
}

std::optional<QString> LocationBookmark::displayPath(const std::optional<QByteArray>& data)
{
    if (!data)
        return QString();
    return resolve(*data, nullptr);
}

std::optional<QString> LocationBookmark::displayName(const std::optional<QByteArray>& data)
{
    if (!data)
        return QString();
    const std::optional<QString> path = resolve(*data, nullptr);
    if (!path)
        return std::nullopt;
    return QFileInfo(*path).fileName();
}

} // namespace quillory
