#pragma once

#include "core/record.h"
#include "core/recordarrangement.h"
#include "core/value.h"

#include <QString>

#include <vector>

namespace quillory {

class UndoStack;

namespace commands {

// A new record at the end: "" in every field, the counter after the largest one `listed`
// shows, unchecked. Gives the record.
Record addRecord(UndoStack& stack, const RecordArrangement& listed);
// Removes the records (those not in the document are ignored); undoing puts each back where
// it was. False when none was listed.
bool deleteRecords(UndoStack& stack, const std::vector<Record>& records);
// One value of a record typed by the user. Typing on in the same cell joins the same step
// until the stack's typing is closed.
bool editValue(UndoStack& stack, const Record& record, const QString& innerKey, const Value& value);

enum class CheckChange { CheckAll, UncheckAll, Invert };
// Sets the checked mark of the records `listed` shows (hidden ones keep theirs).
void changeChecks(UndoStack& stack, const RecordArrangement& listed, CheckChange change);
// The records that "Delete Checked" removes: checked and shown by `listed`. The confirmation's
// count and the removal both use it, so they always agree.
std::vector<Record> checkedRecords(const UndoStack& stack, const RecordArrangement& listed);
qint64 deleteChecked(UndoStack& stack, const RecordArrangement& listed);
// Counters 1, 2, 3… to the records `listed` shows, in the order it shows them.
void renumber(UndoStack& stack, const RecordArrangement& listed);
// Stores the records in the order of sort (the sort made permanent).
void sortRecords(UndoStack& stack, const RecordSort& sort);

} // namespace commands
} // namespace quillory
