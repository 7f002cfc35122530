#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

namespace quillory {

// The update feed: a property-list dictionary, binary or XML, telling the latest release
// ("LRA"), where the update is downloaded ("GFU") and the download page ("DPU").
struct UpdateFeed
{
    // Feeds larger than this are not property lists of ours.
    static constexpr qsizetype kMaxBytes = 1 << 20;

    std::optional<qint64> latestRelease; // none when "LRA" is missing or not an integer
    QUrl updateUrl;                      // invalid when "GFU" is missing or not a URL
    QUrl downloadPage;                   // invalid when "DPU" is missing or not a URL

    // None when data is not a property list whose root is a dictionary.
    static std::optional<UpdateFeed> parse(const QByteArray& data);
};

} // namespace quillory
