#include "merge/generateditems.h"

#include "core/document.h"
#include "templates/stringutils.h"

#include <algorithm>

namespace quillory {

namespace {

const QString kSlash = QStringLiteral("/");

bool namesNothing(const QString& trimmedLevel)
{
    for (const QChar c : trimmedLevel)
        if (c != QLatin1Char('/') && c != QLatin1Char(' '))
            return false;
    return true;
}

} // namespace

QStringList GeneratedItems::levelPaths(const QString& path, bool isFolder)
{
    Q_UNUSED(isFolder)
    // A leading and a final "/" each count as one component "/", which adds no level but
    // still tells the level before it that more follows.
    QStringList components;
    if (path.startsWith(kSlash))
        components << kSlash;
    components << path.split(kSlash, Qt::SkipEmptyParts);
    if (path.endsWith(kSlash) && path.size() > 1)
        components << kSlash;

    QStringList levels;
    QString accumulated;
    const qsizetype count = components.size();
    for (qsizetype k = 0; k < count; ++k) {
        const QString& component = components.at(k);
        if (component == kSlash)
            continue;
        accumulated += component;
        if (k + 1 < count && !accumulated.endsWith(kSlash))
            accumulated += kSlash;
        levels << accumulated;
    }
    return levels;
}

void GeneratedItems::addItemIfNew(std::vector<GeneratedItem>& list, const GeneratedItem& item)
{
    const bool listed = std::any_of(
        list.begin(), list.end(), [&item](const GeneratedItem& g) { return g.path == item.path; });
    if (!listed)
        list.push_back(item);
}

std::vector<GeneratedItem> GeneratedItems::of(const Document& doc)
{
    std::vector<GeneratedItem> items;
    const auto& prototypes = doc.universalFilePrototypeArray();
    for (qsizetype pos = 0; pos < qsizetype(prototypes.size()); ++pos) {
        const PrototypePtr& proto = prototypes[pos];
        if (!proto)
            continue;
        const QStringList levels = levelPaths(proto->path, proto->isFolder);
        const qsizetype n = levels.size();
        for (qsizetype j = 0; j < n; ++j) {
            QString t = StringUtils::trimLateralSpace(levels.at(j));
            // Such a level would name the destination folder itself.
            if (namesNothing(t))
                continue;
            const bool isLast = j == n - 1;
            GeneratedItem item;
            item.isFolder = isLast ? proto->isFolder : true;
            item.originalPos = pos;
            item.isMulti = proto->isMulti;
            if (!proto->isMulti) {
                item.path = t;
                items.push_back(item);
                continue;
            }
            if ((!isLast || proto->isFolder) && !t.endsWith(kSlash))
                t += kSlash;
            item.path = t;
            addItemIfNew(items, item);
        }
    }
    return items;
}

PrototypePtr GeneratedItems::prototypeOf(const Document& doc, const GeneratedItem& item)
{
    const auto& prototypes = doc.universalFilePrototypeArray();
    if (item.originalPos < 0 || item.originalPos >= qint64(prototypes.size()))
        return nullptr;
    return prototypes[size_t(item.originalPos)];
}

std::vector<GeneratedItem> GeneratedItems::arrangedItems(const std::vector<GeneratedItem>& items)
{
    std::vector<GeneratedItem> arranged = items;
    std::stable_sort(
        arranged.begin(), arranged.end(),
        [](const GeneratedItem& a, const GeneratedItem& b) { return !a.isMulti && b.isMulti; });
    return arranged;
}

} // namespace quillory

namespace quillory {

bool GeneratedItems::contains(const std::vector<GeneratedItem>& items,
                              const std::optional<GeneratedItem>& item)
{
    return item && std::find(items.begin(), items.end(), *item) != items.end();
}

} // namespace quillory
