#include "support/documentbuilder.h"

#include <QtTest>

#include <functional>

using namespace quillory;
using namespace quillory::test;

namespace {

using Steps = std::function<Record(Document&)>;

// The keys a record holds, sorted.
QStringList keysOf(const Record& r)
{
    QStringList keys;
    for (const auto& entry : r->entries)
        keys << entry.first;
    keys.sort();
    return keys;
}

QStringList sortedInnerKeys(const Document& doc)
{
    QStringList keys = innerKeys(doc);
    keys.sort();
    return keys;
}

void deleteField(Document& doc, const QString& name)
{
    doc.setSelectedKeyIndex(doc.keyIndicesForName(name).front());
    QVERIFY(doc.deleteSelectedKeyConfirmed());
}

} // namespace

Q_DECLARE_METATYPE(Steps)

class UndoAndFieldsTest : public QObject
{
    Q_OBJECT
private slots:
    // Each row changes the fields while an undo or redo step holds a record out of the list,
    // then brings the record back; it returns the record and names the field to check.
    void recordsBroughtBackHaveExactlyTheDocumentsFields_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("field"); // must read "" on the record brought back
        QTest::newRow("deleted field's key reused, undo delete") << Steps([](Document& doc) {
            const Record r = doc.dataArray()[0];
            doc.deleteRecord(r);
            deleteField(doc, QStringLiteral("Password"));
            doc.insertField(QStringLiteral("Nickname"));
            doc.undoManager().undo();
            return r;
        }) << "Nickname";
        QTest::newRow("field added, undo delete") << Steps([](Document& doc) {
            const Record r = doc.dataArray()[0];
            doc.deleteRecord(r);
            doc.insertField(QStringLiteral("Email"));
            doc.undoManager().undo();
            return r;
        }) << "Email";
        QTest::newRow("field added, redo add") << Steps([](Document& doc) {
            const Record r = doc.newRecord();
            doc.appendRecord(r);
            doc.undoManager().undo();
            doc.insertField(QStringLiteral("Email"));
            doc.undoManager().redo();
            return r;
        }) << "Email";
        QTest::newRow("key reused, redo add") << Steps([](Document& doc) {
            const Record r = doc.newRecord();
            r->set(doc.keyArray()[3].innerKey, Value::string(QStringLiteral("hunter2")));
            doc.appendRecord(r);
            doc.undoManager().undo();
            deleteField(doc, QStringLiteral("Password"));
            doc.insertField(QStringLiteral("Nickname"));
            doc.undoManager().redo();
            return r;
        }) << "Nickname";
        QTest::newRow("deleted twice, undone twice") << Steps([](Document& doc) {
            const Record r = doc.dataArray()[0];
            doc.deleteRecord(r);
            doc.undoManager().undo();
            doc.deleteRecord(r);
            deleteField(doc, QStringLiteral("Password"));
            doc.insertField(QStringLiteral("Nickname"));
            doc.undoManager().undo();
            return r;
        }) << "Nickname";
    }
    void recordsBroughtBackHaveExactlyTheDocumentsFields()
    {
        QFETCH(Steps, steps);
        QFETCH(QString, field);
        Document doc;
        fillDocument(doc, {"Name", "Password"}, {{"Ann", "hunter2"}, {"Bob", "swordfish"}});
        const Record r = steps(doc);
        QVERIFY(doc.indexOfRecord(r) >= 0);
        QCOMPARE(keysOf(r), sortedInnerKeys(doc));
        const std::vector<int> at = doc.keyIndicesForName(field);
        QCOMPARE(at.size(), size_t(1));
        QCOMPARE(r->value(doc.keyArray()[size_t(at.front())].innerKey), Value::string({}));
        for (const Record& other : doc.dataArray())
            QCOMPARE(keysOf(other), sortedInnerKeys(doc));
    }
};

QTEST_GUILESS_MAIN(UndoAndFieldsTest)
#include "tst_undo_and_fields.moc"
