#pragma once

#include <QString>

#include <optional>

namespace quillory {

class UndoStack;

// The user's field commands. Each is one undoable step; positions count in keyArray, so user
// fields start at 2.
namespace commands {

// A new user field named name ("KEYn" when name is blank), at the end; every record gets ""
// under it. Gives its inner key.
QString addField(UndoStack& stack, const QString& name = {});
// A user field's new visible name. A name that is empty or white space only is refused (the
// previous name stays): false then, and for a position that holds no user field.
bool renameField(UndoStack& stack, int index, const QString& name);

// Whether a rename also gives the field's tag the new name in every Prototype's path and
// templates, in the same step.
enum class RenameTags { Keep, Also };
bool renameField(UndoStack& stack, int index, const QString& name, RenameTags tags);

// What renaming the field at index to name with RenameTags::Also would change besides the
// name: its tag, the new tag and how many Prototypes hold it. None when it would change no
// tag (a refused or unchanged name, no Prototype using the tag, a tag not the field's own)
// and when the new tag would not be the field's own either (a standard tag, an earlier
// field's name).
struct TagRenameOffer
{
    QString from;
    QString to;
    qsizetype prototypes = 0;
};
std::optional<TagRenameOffer> tagRenameOffer(const UndoStack& stack, int index,
                                             const QString& name);
// Removes the user field at index with its value in every record; undoing brings the values
// back. False when index holds no user field.
bool deleteField(UndoStack& stack, int index);

// The name a new field takes when none is given: "KEY" and its inner key's number minus 2.
QString defaultFieldName(const QString& innerKey);

} // namespace commands
} // namespace quillory
