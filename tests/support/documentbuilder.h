#pragma once

#include "core/document.h"

#include <QStringList>

namespace quillory::test {

// Adds user fields named as given, in order (names must not be blank).
void addFields(Document& doc, const QStringList& names);
// A record with the given counter and user-field values (in field order), not yet added.
Record makeRecord(const Document& doc, qint64 counter, const QStringList& values);
// Appends a record with the given counter and user-field values (in field order), as an import
// does: no undo, the search cleared.
Record addRecord(Document& doc, qint64 counter, const QStringList& values);
// A document with the built-in keys, the given fields and one record per row (counters 1, 2…).
void fillDocument(Document& doc, const QStringList& fields, const QList<QStringList>& rows);

QStringList publicKeys(const Document& doc);
QStringList innerKeys(const Document& doc);

} // namespace quillory::test
