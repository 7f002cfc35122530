#include "prototypes/destinationpath.h"

#include "core/document.h"
#include "core/locationbookmark.h"

namespace quillory {

std::optional<QString> DestinationPath::path(const Document& doc)
{
    const std::optional<QByteArray>& bookmark = doc.selectedDestinationBookmark();
    if (!bookmark || bookmark->isEmpty())
        return std::nullopt;
    bool isStale = false;
    std::optional<QString> resolved = LocationBookmark::resolve(*bookmark, &isStale);
    if (!resolved || resolved->isEmpty())
        return std::nullopt;
    return resolved;
}

QString DestinationPath::join(const QString& folder, const QString& relative)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + relative;
    return folder + QLatin1Char('/') + relative;
}

} // namespace quillory
