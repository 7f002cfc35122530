#include "support/documentbuilder.h"

namespace quillory::test {

MutableRecord makeRecord(const Document& doc, qint64 counter, const QStringList& values)
{
    MutableRecord r = doc.newRecord(0);
    r->set(kCounterKey, Value::integer(counter));
    for (int i = 0; i < values.size(); ++i)
        r->set(doc.keyArray()[size_t(kFirstUserKeyIndex + i)].innerKey, Value::string(values[i]));
    return r;
}

void addFields(Document& doc, const QStringList& names)
{
    for (const QString& name : names)
        doc.insertField(int(doc.keyArray().size()), FieldKey{doc.unusedInnerKey(), name});
}

Record addRecord(Document& doc, qint64 counter, const QStringList& values)
{
    Record r = makeRecord(doc, counter, values);
    doc.appendRecords({r});
    doc.recalcLargestCounter();
    return r;
}

void fillDocument(Document& doc, const QStringList& fields, const QList<QStringList>& rows)
{
    addFields(doc, fields);
    std::vector<Record> records;
    qint64 counter = 0;
    for (const QStringList& row : rows)
        records.push_back(makeRecord(doc, ++counter, row));
    doc.appendRecords(std::move(records));
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
