#pragma once

#include "core/prototype.h"
#include "core/record.h"

#include <QString>

#include <vector>

namespace quillory {

class Document;

// The two sides of the Prototype tab: All in One (sub-tab "one") and One per Record ("multi").
enum class PrototypeSide { AllInOne, OnePerRecord };

// The user's Prototype commands: adding and removing with undo on either side, the two
// filtered views and their selections, and edits of names and templates. The document makes
// the changes; these add the undo, the tab rules and the example names.
class PrototypeCommands
{
public:
    static PrototypeSide sideOf(const Prototype& proto);
    // A new Prototype of the side: a fresh uuid, path "Untitled", a file, empty templates.
    static PrototypePtr newPrototype(PrototypeSide side);

    // The side's view over universalFilePrototypeArray, in list order, and its selection.
    static std::vector<PrototypePtr> prototypes(const Document& doc, PrototypeSide side);
    static PrototypePtr selected(const Document& doc, PrototypeSide side);
    // A selection change of the side's table; the side's example name follows.
    static void select(Document& doc, PrototypeSide side, const PrototypePtr& proto);
    // The selection of the destination tab's record table; the One per Record example follows.
    static void selectDestinationRecord(Document& doc, const Record& record);

    // The add command of a side: a new Prototype, appended undoably and selected.
    static PrototypePtr add(Document& doc, PrototypeSide side);
    // Undoable append ("Add Path"); a Prototype already listed is not added twice.
    static void append(Document& doc, const PrototypePtr& proto);
    // Undoable removal ("Delete Path"); undoing puts the Prototype back at the end.
    static void remove(Document& doc, const PrototypePtr& proto);
    // The side's selected Prototype; nothing when none is selected.
    static void removeSelected(Document& doc, PrototypeSide side);

    // The menu commands: add on the shown sub-tab (showing the Prototype tab first); remove
    // only while the Prototype tab is shown, and canRemoveOnShownSide says when that applies.
    static PrototypePtr addOnShownSide(Document& doc);
    static void removeOnShownSide(Document& doc);
    static bool canRemoveOnShownSide(const Document& doc);

    // The user typed in a side's name field: the text becomes the selected Prototype's path
    // and the side's example follows.
    static void nameTextDidChange(Document& doc, PrototypeSide side, const QString& text);
    // The user typed in a template view of the merge tab: stored in the merge tab's selected
    // Prototype, if any.
    static void mergeTemplateTextDidChange(Document& doc, TemplateKey key, const QString& text);

private:
    static void undoAppend(Document& doc, const PrototypePtr& proto);
    static void undoRemove(Document& doc, const PrototypePtr& proto);
    static PrototypeSide shownSide(const Document& doc);
};

} // namespace quillory
