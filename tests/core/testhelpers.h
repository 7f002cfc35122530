#pragma once

#include "core/document.h"

#include <QStringList>

namespace quillory::test {

// A document whose window was loaded, with user fields named as given.
inline void addFields(Document& doc, const QStringList& names)
{
    for (const QString& name : names) {
        doc.insertNewColumnInTable();
        doc.renameKey(int(doc.keyArray().size()) - 1, name);
    }
}

// Appends a record with the given counter and user-field values (in key order).
inline Record addRecord(Document& doc, qint64 counter, const QStringList& values)
{
    Record r = doc.getNewRecordRow();
    r->set(kCounterKey, Value::integer(counter));
    for (int i = 0; i < values.size(); ++i)
        r->set(doc.keyArray()[kFirstUserKeyIndex + i].innerKey, Value::string(values[i]));
    doc.dataArray().push_back(r);
    return r;
}

inline QStringList publicKeys(const Document& doc)
{
    QStringList names;
    for (const FieldKey& k : doc.keyArray())
        names << k.publicKey;
    return names;
}

inline QStringList innerKeys(const Document& doc)
{
    QStringList names;
    for (const FieldKey& k : doc.keyArray())
        names << k.innerKey;
    return names;
}

} // namespace quillory::test
