#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillory {

// Remembers a location the user chose so that it resolves back to it later. Our bookmark
// records the path and the identity of the file-system object there; it resolves when that
// path still exists, and is stale when another object now stands there (e.g. the folder was
// replaced). Data we did not make does not resolve.
class KWBookmark
{
public:
    static std::optional<QByteArray> bookmarkForURL_RO(const QString& path);
    static std::optional<QByteArray> bookmarkForURL_RW(const QString& path);
    // The path, or none; isStale is first set to false.
    static std::optional<QString> urlForBookmark(const QByteArray& data, bool* isStale);
    static std::optional<QByteArray> docBookmarkForURL_RO(const QString& path,
                                                          const QString& docPath);
    static std::optional<QByteArray> docBookmarkForURL_RW(const QString& path,
                                                          const QString& docPath);
    static std::optional<QString> urlForDocBookmark(const QByteArray& data, const QString& docPath,
                                                    bool* isStale);

    // Whether the resolved location may be used now: it exists and, for a read-write
    // bookmark, can be written. Each successful start is matched by one stop.
    static bool startAccessingSecurityScopedResource(const QString& path);
    static void stopAccessingSecurityScopedResource(const QString& path);

    // The display transforms "b2p" and "b2n": "" for no input, none when it does not resolve.
    static std::optional<QString> pathFromBookmark(const std::optional<QByteArray>& data);
    static std::optional<QString> nameFromBookmark(const std::optional<QByteArray>& data);
};

} // namespace quillory
