#pragma once

#include "core/prototype.h"
#include "core/record.h"

#include <QString>

#include <vector>

namespace quillory {

class Document;

// The four content templates of a Prototype.
enum class TemplateKey { Head, Text, Separator, Foot };

// The Document's Prototype commands: adding and removing with undo on the All in One ("one")
// and One per Record ("multi") sides, the two filtered views, the selections of the
// destination tab, and edits of paths and templates. The window hands over what the user did.
class PrototypeCommands
{
public:
    // A new Prototype: a fresh uuid, path "Untitled", a file, four empty templates.
    static PrototypePtr getNewDestinationRowMulti(bool isMulti);

    // The views of sub-tab "one" (All in One) and "multi" (One per Record), in list order.
    static std::vector<PrototypePtr> oneFilePrototypes(const Document& doc);
    static std::vector<PrototypePtr> multiFilePrototypes(const Document& doc);
    // Position in universalFilePrototypeArray, -1 when the Prototype is not in it.
    static qsizetype indexOfPrototype(const Document& doc, const PrototypePtr& proto);

    // The add commands: a new Prototype of the side's kind, appended undoably and selected.
    static PrototypePtr addOneFileFolderDestination(Document& doc);
    static PrototypePtr addFileFolderDestination(Document& doc);
    // Undoable appends ("Add Path"); a Prototype already in the list is not added twice.
    static void addOneTheDestination(Document& doc, const PrototypePtr& proto);
    static void addTheDestination(Document& doc, const PrototypePtr& proto);
    static void addOneTheDestinationUndo(Document& doc, const PrototypePtr& proto);
    static void addTheDestinationUndo(Document& doc, const PrototypePtr& proto);

    // The remove commands: the side's selected Prototype; nothing when none is selected.
    static void removeOneTheDestination(Document& doc);
    static void removeTheDestination(Document& doc);
    // Undoable removals ("Delete Path"); undoing puts the Prototype back at the end.
    static void removeOneTheDestinationObj(Document& doc, const PrototypePtr& proto);
    static void removeTheDestinationObj(Document& doc, const PrototypePtr& proto);
    static void removeOneTheDestinationUndo(Document& doc, const PrototypePtr& proto);
    static void removeTheDestinationUndo(Document& doc, const PrototypePtr& proto);

    // The menu commands: add on the shown sub-tab (showing the destination tab first);
    // remove only while the destination tab is shown.
    static PrototypePtr addGenericDestination(Document& doc);
    static void removeGenericDestination(Document& doc);
    // Whether removeGenericDestination applies (its menu item's enabled state).
    static bool canRemoveGenericDestination(const Document& doc);

    // Selection changes of the two Prototype tables and of the destination tab's record
    // table; each recomputes the example name it feeds.
    static void selectOnePrototype(Document& doc, const PrototypePtr& proto);
    static void selectMultiPrototype(Document& doc, const PrototypePtr& proto);
    static void selectDestinationRecord(Document& doc, const Record& record);

    // The user typed in a name field: the text becomes the side's selected Prototype's path
    // and the side's example follows.
    static void oneNameOfFileTextDidChange(Document& doc, const QString& text);
    static void multiNameOfFileTextDidChange(Document& doc, const QString& text);
    // The user typed in a template view of the merge tab: stored in the merge tab's selected
    // Prototype, if any.
    static void mergeTemplateTextDidChange(Document& doc, TemplateKey key, const QString& text);

    // Store one value, marking the document changed when it differs; false when nothing
    // changed (no Prototype, or the same text). A path change is announced through
    // prototypesChanged (the tables show paths); a template change is not, since only the
    // view being typed in shows it.
    static bool setPath(Document& doc, const PrototypePtr& proto, const QString& path);
    static bool setTemplate(Document& doc, const PrototypePtr& proto, TemplateKey key,
                            const QString& text);
    static QString templateText(const Prototype& proto, TemplateKey key);
};

} // namespace quillory
