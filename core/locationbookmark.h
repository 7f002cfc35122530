#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillory {

// Remembers a location the user chose so that it resolves back to it later. Our bookmark
// records the path and the identity of the file-system object there; it resolves when that
// path still exists, and is stale when another object now stands there (e.g. the folder was
// replaced). Data we did not make does not resolve.
class LocationBookmark
{
public:
    enum class Access { ReadOnly, ReadWrite };

    // Bookmark data for an existing location, or none (no such location, empty path).
    static std::optional<QByteArray> bookmarkForURL_RO(const QString& path);
    static std::optional<QByteArray> bookmarkForURL_RW(const QString& path);
    // The path, or none; isStale (may be null) is first set to false.
    static std::optional<QString> urlForBookmark(const QByteArray& data, bool* isStale);
    // Also record the location relative to the folder of the document at docPath, so that it
    // follows a document moved together with it.
    static std::optional<QByteArray> docBookmarkForURL_RO(const QString& path,
                                                          const QString& docPath);
    static std::optional<QByteArray> docBookmarkForURL_RW(const QString& path,
                                                          const QString& docPath);
    // Resolves against docPath's folder first, then at the recorded absolute path (stale then).
    static std::optional<QString> urlForDocBookmark(const QByteArray& data, const QString& docPath,
                                                    bool* isStale);
    // The access a bookmark of ours was made for; none for data we did not make.
    static std::optional<Access> accessOfBookmark(const QByteArray& data);

    // Whether the resolved location may be used now: it exists and can be read and, for
    // read-write access, written (a folder must also be searchable). Each successful start is
    // matched by one stop; stopping does nothing on this platform.
    static bool startAccessingSecurityScopedResource(const QString& path,
                                                     Access access = Access::ReadWrite);
    static void stopAccessingSecurityScopedResource(const QString& path);

    // The display transforms "b2p" and "b2n": "" for no input, none when it does not resolve.
    static std::optional<QString> pathFromBookmark(const std::optional<QByteArray>& data);
    static std::optional<QString> nameFromBookmark(const std::optional<QByteArray>& data);
};

} // namespace quillory
