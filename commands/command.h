#pragma once

#include <QString>

namespace quillory {

// One undoable step of the user's: it is done by redo() when pushed, and undo() puts back
// exactly what redo() changed.
class Command
{
public:
    virtual ~Command() = default;
    // What the Undo and Redo menu items name ("Add Record", "Typing in Name").
    virtual QString name() const = 0;
    virtual void redo() = 0;
    virtual void undo() = 0;
    // Whether next, just done, continues this step (more typing in the same place): then this
    // step takes over next's result and next is not kept.
    virtual bool absorb(const Command& next)
    {
        Q_UNUSED(next);
        return false;
    }
};

} // namespace quillory
