#pragma once

#include "core/generateditem.h"
#include "core/prototype.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace quillory {

class Document;

// Unfolds the Prototype paths into the folders and files a run would create, parents first,
// and hands them to the document as its generatedItems.
class GeneratedItems
{
public:
    // The cumulative level paths of one path: 'a/b/c.txt' gives "a/", 'a/b/', 'a/b/c.txt'.
    // Empty levels ("//", a leading or final "/") add nothing. isFolder does not change the
    // result.
    static QStringList levelPaths(const QString& path, bool isFolder = false);
    // Appends item unless an item with the same path is already in the list.
    static void addItemIfNew(std::vector<GeneratedItem>& list, const GeneratedItem& item);
    // Rebuilds generatedItems from all Prototypes: All in One levels are all kept,
    // One per Record levels only when no earlier item has their path. A level that names
    // nothing below the destination (empty, or only "/" and spaces) yields no item. The merge
    // and preview selections are kept only when an equal item is still listed.
    static void rebuild(Document& doc);

    // The Prototype an item was unfolded from, or none when its originalPos no longer names
    // one (the Prototypes changed since the last rebuild).
    static PrototypePtr prototypeOf(const Document& doc, const GeneratedItem& item);

    // The order the tables show: All in One items first, each group in list order. The list
    // itself, which is the order of a run, is never reordered.
    static std::vector<GeneratedItem> arrangedItems(const std::vector<GeneratedItem>& items);
    // The folder column's text: "√" for a folder, "" for a file.
    static QString folderCheckText(const GeneratedItem& item);
};

} // namespace quillory
