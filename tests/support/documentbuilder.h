#pragma once

#include "core/document.h"

#include <QStringList>

namespace quillory::test {

// Fixtures are built with the document's own operations, as a read or an import fills it: no
// command, no undo.

// Adds user fields named as given, in order, each with the lowest free inner key.
void addFields(Document& doc, const QStringList& names);
// A record with the given counter and user-field values (in field order), not yet added.
MutableRecord makeRecord(const Document& doc, qint64 counter, const QStringList& values);
// Appends a record with the given counter and user-field values (in field order), as an import
// does: the largest counter follows.
Record addRecord(Document& doc, qint64 counter, const QStringList& values);
// The given fields after the built-in ones and one record per row (counters 1, 2…).
void fillDocument(Document& doc, const QStringList& fields, const QList<QStringList>& rows);

QStringList publicKeys(const Document& doc);
QStringList innerKeys(const Document& doc);

} // namespace quillory::test
