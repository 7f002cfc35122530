#include "merge/generateditems.h"

#include "core/document.h"
#include "merge/preview.h"
#include "prototypes/examplename.h"
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

bool isListed(const Document& doc, const std::optional<GeneratedItem>& item)
{
    const auto& list = doc.generatedItems();
    return item && std::find(list.begin(), list.end(), *item) != list.end();
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

void GeneratedItems::rebuild(Document& doc)
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
    doc.setGeneratedItems(std::move(items));
    // A selection whose item is gone (or now stands for another Prototype position) would
    // show a name and content that no run makes.
    if (doc.mergeSelectedItem() && !isListed(doc, doc.mergeSelectedItem())) {
        doc.setMergeSelectedItem(std::nullopt);
        ExampleName::recalcMergeNameOfFile(doc);
    }
    if (doc.previewSelectedItem() && !isListed(doc, doc.previewSelectedItem())) {
        doc.setPreviewSelectedItem(std::nullopt);
        Preview::recalcPreviewNameOfFile(doc);
    }
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

QString GeneratedItems::folderCheckText(const GeneratedItem& item)
{
    return item.isFolder ? QString(QChar(0x221A)) : QString(); // "√"
}

} // namespace quillory
