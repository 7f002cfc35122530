#include "support/documentbuilder.h"

namespace quillory::test {

void addFields(Document& doc, const QStringList& names)
{
    for (const QString& name : names) {
        doc.insertField();
        doc.renameKey(int(doc.keyArray().size()) - 1, name);
    }
}

Record addRecord(Document& doc, qint64 counter, const QStringList& values)
{
    Record r = doc.newRecord();
    r->set(kCounterKey, Value::integer(counter));
    for (int i = 0; i < values.size(); ++i)
        r->set(doc.keyArray()[kFirstUserKeyIndex + i].innerKey, Value::string(values[i]));
    doc.dataArray().push_back(r);
    return r;
}

void fillDocument(Document& doc, const QStringList& fields, const QList<QStringList>& rows)
{
    doc.prepareOpened();
    addFields(doc, fields);
    qint64 counter = 0;
    for (const QStringList& row : rows)
        addRecord(doc, ++counter, row);
    doc.recalcLargestCounter();
}

QStringList publicKeys(const Document& doc)
{
    QStringList names;
    for (const FieldKey& k : doc.keyArray())
        names << k.publicKey;
    return names;
}

QStringList innerKeys(const Document& doc)
{
    QStringList names;
    for (const FieldKey& k : doc.keyArray())
        names << k.innerKey;
    return names;
}

} // namespace quillory::test
