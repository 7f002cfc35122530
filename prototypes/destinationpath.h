#pragma once

#include <QString>

#include <optional>

namespace quillory {

class Document;

// The document's destination folder as example names and previews show it.
class DestinationPath
{
public:
    // The folder's path resolved from selectedDestinationBookmark (staleness ignored); none
    // when no destination was chosen or the bookmark does not resolve.
    static std::optional<QString> path(const Document& doc);
    // folder + "/" + relative, without doubling the separator after a folder such as "/".
    static QString join(const QString& folder, const QString& relative);
};

} // namespace quillory
