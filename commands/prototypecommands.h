#pragma once

#include "core/prototype.h"
#include "prototypes/prototypeside.h"

#include <QString>

namespace quillory {

class UndoStack;

namespace commands {

// A new Prototype of the side ("Add Path"), at the end of the list. Gives it.
PrototypePtr addPrototype(UndoStack& stack, PrototypeSide side);
// Appends a Prototype made elsewhere (the command-line tool fills one before adding it).
bool appendPrototype(UndoStack& stack, const PrototypePtr& proto);
// Removes a listed Prototype ("Delete Path"); undoing puts it back where it was.
bool removePrototype(UndoStack& stack, const PrototypePtr& proto);
// The path template typed in a name field; typing on joins the step.
bool setPrototypePath(UndoStack& stack, const PrototypePtr& proto, const QString& path);
// Whether the Prototype makes a folder or a file.
bool setPrototypeFolder(UndoStack& stack, const PrototypePtr& proto, bool isFolder);
// One of the content templates typed in its editor; typing on joins the step.
bool setPrototypeTemplate(UndoStack& stack, const PrototypePtr& proto, TemplateKey key,
                          const QString& text);

} // namespace commands
} // namespace quillory
