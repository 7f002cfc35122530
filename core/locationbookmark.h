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
    static std::optional<QByteArray> make(const QString& path, Access access);
    // The path, or none; isStale (may be null) is first set to false.
    static std::optional<QString> resolve(const QByteArray& data, bool* isStale);
    // Also records the location relative to the folder of the document at docPath, so that it
    // follows a document moved together with it.
    static std::optional<QByteArray> makeRelativeTo(const QString& path, const QString& docPath,
                                                    Access access);
    // Resolves against docPath's folder first, then at the recorded absolute path (stale then).
    static std::optional<QString> resolveRelativeTo(const QByteArray& data, const QString& docPath,
                                                    bool* isStale);
    // The path a bookmark of ours was made for, whether or not anything is there now (to name
    // a location that went missing); none for data we did not make.
    static std::optional<QString> recordedPath(const QByteArray& data);
    // The access a bookmark of ours was made for; none for data we did not make.
    static std::optional<Access> accessOf(const QByteArray& data);

    // Whether the resolved location may be used now: it exists and can be read and, for
    // read-write access, written (a folder must also be searchable). Access is checked, not
    // granted, on this platform, so there is nothing to release afterwards.
    static bool checkAccess(const QString& path, Access access);

    // The display transforms "b2p" and "b2n": "" for no input, none when it does not resolve.
    static std::optional<QString> displayPath(const std::optional<QByteArray>& data);
    static std::optional<QString> displayName(const std::optional<QByteArray>& data);
};

} // namespace quillory
