#pragma once

#include "core/generateditem.h"
#include "core/prototype.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quillory {

class Document;

// Unfolds the Prototype paths into the folders and files a run would create, parents first,
// in the order a run makes them.
class GeneratedItems
{
public:
    // The cumulative level paths of one path: 'a/b/c.txt' gives "a/", 'a/b/', 'a/b/c.txt'.
    // Empty levels ("//", a leading or final "/") add nothing. isFolder does not change the
    // result.
    static QStringList levelPaths(const QString& path, bool isFolder = false);
    // Appends item unless an item with the same path is already in the list.
    static void addItemIfNew(std::vector<GeneratedItem>& list, const GeneratedItem& item);
    // The items of all Prototypes: All in One levels are all kept, One per Record levels only
    // when no earlier item has their path. A level that names nothing below the destination
    // (empty, or only "/" and spaces) yields no item.
    static std::vector<GeneratedItem> of(const Document& doc);
    // Whether item is one of items (a selection kept across a rebuild must still name one).
    static bool contains(const std::vector<GeneratedItem>& items,
                         const std::optional<GeneratedItem>& item);

    // The Prototype an item was unfolded from, or none when its originalPos no longer names
    // one (the Prototypes changed since the last rebuild).
    static PrototypePtr prototypeOf(const Document& doc, const GeneratedItem& item);

    // The order the tables show: All in One items first, each group in list order. The list
    // itself, which is the order of a run, is never reordered.
    static std::vector<GeneratedItem> arrangedItems(const std::vector<GeneratedItem>& items);
};

} // namespace quillory
