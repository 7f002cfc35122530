#pragma once

#include "core/result.h"

#include <QString>

namespace quillory {

class RunLogText;
class UndoStack;

namespace commands {

// Takes path as the destination when it is an existing folder ("Choose Destination"), else
// fails saying why and changes nothing.
Result<> chooseDestination(UndoStack& stack, const QString& path);
// Empties a window's run log ("Clear Log"); undoing puts the text back.
void clearLog(UndoStack& stack, RunLogText& log);

} // namespace commands
} // namespace quillory
