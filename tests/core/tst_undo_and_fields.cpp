#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;
using namespace quillory::test;

namespace {

// The keys a record holds, sorted.
QStringList keysOf(const Record& r)
{
    QStringList keys;
    for (const QString& key : r->keys()->keys())
        keys << key;
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

// Runs steps separated by spaces and returns the record they hold: "delete" takes the held
// record (at first the first listed one) out of the list, "append" lists a new record holding a
// password, "undo" and "redo" step through the history, "-F" deletes field F and "+F" adds it.
Record run(Document& doc, const QString& steps)
{
    Record held;
    for (const QString& step : steps.split(u' ')) {
        if (step == u"delete") {
            held = held ? held : doc.dataArray()[0];
            doc.deleteRecord(held);
        } else if (step == u"append") {
            held = doc.newRecord();
            held->set(doc.keyArray()[3].innerKey, Value::string(QStringLiteral("hunter2")));
            doc.appendRecord(held);
        } else if (step == u"undo" || step == u"redo") {
            step == u"undo" ? doc.undoManager().undo() : doc.undoManager().redo();
        } else if (step.startsWith(u'-')) {
            deleteField(doc, step.mid(1));
        } else if (step.startsWith(u'+')) {
            doc.insertField(step.mid(1));
        } else {
            qFatal("unknown step %s", qPrintable(step));
        }
    }
    return held;
}

} // namespace

class UndoAndFieldsTest : public QObject
{
    Q_OBJECT
private slots:
    // Each row changes the fields while an undo or redo step holds a record out of the list,
    // then brings the record back.
    void recordsBroughtBackHaveExactlyTheDocumentsFields_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("field"); // must read "" on the record brought back
        QTest::newRow("deleted field's key reused, undo delete")
            << "delete -Password +Nickname undo"
            << "Nickname";
        QTest::newRow("key reused, redo add") << "append undo -Password +Nickname redo"
                                              << "Nickname";
        QTest::newRow("deleted twice, undone twice")
            << "delete undo delete -Password +Nickname undo"
            << "Nickname";
    }
    void recordsBroughtBackHaveExactlyTheDocumentsFields()
    {
        QFETCH(QString, steps);
        QFETCH(QString, field);
        Document doc;
        fillDocument(doc, {"Name", "Password"}, {{"Ann", "hunter2"}, {"Bob", "swordfish"}});
        const Record r = run(doc, steps);
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
