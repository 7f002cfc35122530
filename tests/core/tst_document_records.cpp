#include "casefile.h"
#include "support/documentbuilder.h"

#include <QtTest>

#include <deque>
#include <map>

using namespace quillory;
using namespace quillory::test;

namespace {

using Op = void (*)(Document&);
const QString kName = QStringLiteral("3");

const auto rec = [](const Document& d, size_t i) { return d.dataArray()[i]; };
const auto proto = [](const Document& d, size_t i) { return d.universalFilePrototypeArray()[i]; };

// The text under key of each record, in order ("1"/"0" for the checked mark).
QStringList column(const std::vector<Record>& records, const QString& key)
{
    QStringList out;
    for (const Record& r : records)
        out << r->value(key).toText();
    return out;
}

// Ann, Bob, Abe and Cid under Name, with a City, checked as marks says ("1" checked).
void setUpChecked(Document& doc, const QString& marks)
{
    fillDocument(doc, {"Name", "City"},
                 {{"Ann", "Rome"}, {"Bob", "OSLO"}, {"Abe", "Lima"}, {"Cid", "Turin"}});
    for (size_t i = 0; i < size_t(marks.size()); ++i)
        rec(doc, i)->set(kCheckedKey, Value::boolean(marks[i] == u'1'));
}

} // namespace

Q_DECLARE_METATYPE(Op)

class DocumentRecordsTest : public QObject
{
    Q_OBJECT
private slots:
    // Rows: name, counters of the listed records, of the hidden ones, the next counter, the
    // largest stored counter.
    void newRecordFollowsTheLargestListedCounter_data() { addCaseRows("newcounter.json"); }
    void newRecordFollowsTheLargestListedCounter()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        fillDocument(doc, {"Name"}, {});
        for (const QJsonValue c : row[1].toArray())
            addRecord(doc, c.toInteger(), {"keep"});
        for (const QJsonValue c : row[2].toArray())
            addRecord(doc, c.toInteger(), {"hide"});
        doc.setSearchText(QStringLiteral("keep"));
        const Record r = doc.newRecord();
        QCOMPARE(r->value(kCounterKey), Value::integer(row[3].toInteger()));
        QCOMPARE(doc.largestCounter(), row[4].toInteger());
    }

    // An import sums up its new records where it makes them; joined to the stored ones, the
    // checked state and the largest counter must be what a walk over all records gives.
    void importedBatchJoinsTheStoredRecords_data()
    {
        QTest::addColumn<QList<qint64>>("stored");
        QTest::addColumn<QList<qint64>>("imported");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<qint64>("largest");
        // A counter of 0 stands for a record without a number under the counter key; a
        // negative counter marks its record checked.
        const auto row = [](const char* name, QList<qint64> stored, QList<qint64> imported,
                            bool checked, qint64 largest) {
            QTest::newRow(name) << stored << imported << checked << largest;
        };
        row("into an empty document", {}, {1, 2}, false, 2);
        row("stored largest stays", {9}, {1, 2}, false, 9);
        row("checked stored record", {-3, 1}, {2}, true, 2);
        row("checked imported record", {1}, {-7}, true, 1);
        row("only negative counters", {-5}, {-9}, true, -5);
        row("no counters anywhere", {0}, {0}, false, 0);
    }
    void importedBatchJoinsTheStoredRecords()
    {
        QFETCH(QList<qint64>, stored);
        QFETCH(QList<qint64>, imported);
        Document doc;
        fillDocument(doc, {"Name"}, {});
        const auto make = [&](qint64 c) {
            Record r = makeRecord(doc, c, {"x"});
            if (c == 0)
                r->remove(kCounterKey);
            r->set(kCheckedKey, Value::boolean(c < 0));
            return r;
        };
        std::vector<Record> old, batch;
        for (qint64 c : stored)
            old.push_back(make(c));
        for (qint64 c : imported)
            batch.push_back(make(c));
        doc.appendImportedRecords(std::move(old));
        // Marks flipped without the state following, as inverting does: the import corrects it.
        doc.invertCheckRecords();
        doc.invertCheckRecords();
        doc.appendImportedRecords(ImportBatch::of(std::move(batch)));
        QTEST(doc.isCheckedRecords(), "checked");
        QTEST(doc.largestCounter(), "largest");
        QCOMPARE(qsizetype(doc.dataArray().size()), stored.size() + imported.size());
    }

    void addAndDeleteAreUndoable()
    {
        Document doc;
        fillDocument(doc, {"Name"}, {{"a"}, {"b"}});
        const Record a = rec(doc, 0), b = rec(doc, 1);
        UndoManager& undo = doc.undoManager();
        doc.setSearchText(QStringLiteral("b"));
        doc.addRecord();
        const Record added = rec(doc, 2);
        QCOMPARE(doc.searchText().value_or("x"), QString()); // the new record is listed
        doc.setSelectedRecord(a);
        doc.setMainTabId(QStringLiteral("file"));
        doc.deleteSelectedRecord(); // only while the database tab is shown
        QCOMPARE(doc.dataArray().size(), size_t(3));
        doc.setMainTabId(QStringLiteral("db"));
        doc.deleteSelectedRecord();
        undo.undo(); // back at the end, not where it was
        QCOMPARE(doc.dataArray(), (std::vector<Record>{b, added, a}));
        QCOMPARE(undo.undoActionName(), QStringLiteral("Add Record"));
        undo.undo();
        undo.redo(); // the same record again; the deletion can still be redone
        QCOMPARE(doc.dataArray(), (std::vector<Record>{b, a, added}));
        QCOMPARE(undo.redoActionName(), QStringLiteral("Delete Record"));
        doc.addRecord(); // until a new action
        QVERIFY(!undo.canRedo());
    }

    // Rows: name, command, search, marks after; Ann and Bob are checked before. The search
    // looks at the user fields only, case-insensitively.
    void checkCommandsTouchOnlyListedRecords_data() { addCaseRows("checkmarks.json"); }
    void checkCommandsTouchOnlyListedRecords()
    {
        QFETCH(QJsonArray, row);
        const std::map<QString, void (Document::*)()> commands{
            {"check", &Document::checkAllRecords},
            {"uncheck", &Document::uncheckAllRecords},
            {"invert", &Document::invertCheckRecords}};
        Document doc;
        setUpChecked(doc, QStringLiteral("1100"));
        doc.setSearchText(row[2].toString());
        (doc.*commands.at(row[1].toString()))();
        QCOMPARE(column(doc.dataArray(), kCheckedKey).join(""), row[3].toString());
        QCOMPARE(doc.checkedRecordCount(), row[3].toString().count(u'1'));
    }

    // Rows: name, search, the names left; Ann, Bob and Cid are checked.
    void deleteCheckedRemovesWhatItAnnounces_data() { addCaseRows("deletechecked.json"); }
    void deleteCheckedRemovesWhatItAnnounces()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        setUpChecked(doc, QStringLiteral("1101"));
        doc.setSearchText(row[1].toString());
        const Alert alert = doc.confirmDeleteChecked();
        const qint64 removed = doc.deleteCheckedRecords();
        QCOMPARE(column(doc.dataArray(), kName), row[2].toVariant().toStringList());
        QCOMPARE(removed, 4 - qint64(doc.dataArray().size()));
        QCOMPARE(alert.messageText,
                 QStringLiteral("Do you want to delete all the %1 checked records?").arg(removed));
    }

    void renumberingFollowsTheShownOrderAndSkipsHiddenRecords()
    {
        Document doc;
        fillDocument(doc, {"Name"}, {{"Carol"}, {"Ann"}, {"bob"}, {"dan"}});
        doc.setSearchText(QStringLiteral("o")); // Ann and dan hidden
        doc.setDataSort(RecordSort{kName, true});
        doc.renumberRecords();
        QCOMPARE(column(doc.dataArray(), kCounterKey), QStringList({"2", "2", "1", "4"}));
    }

    // Views over the lists are kept in step by these signals alone: each operation announces
    // exactly the rows it touched, and counts as a change exactly when it made one.
    void operationsAnnounceTheirRows_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QStringList>("announced");
        // Fields Name and City (rows 2, 3), the first selected; records Ann, Bob and Cid, Cid
        // checked; two Prototypes. Rows that change nothing announce nothing.
#define ROW(name, body, ...)                                                                       \
    QTest::newRow(name) << Op([](Document& d) { body; }) << QStringList{__VA_ARGS__}
        ROW("insertField", d.insertField(), "keyInserted(4)");
        ROW("renameKey", d.renameKey(3, "Town"), "keyRenamed(3)");
        ROW("renameKey, same name", d.renameKey(3, "City"));
        ROW("deleteSelectedKeyConfirmed", d.deleteSelectedKeyConfirmed(), "keyRemoved(2)");
        ROW("appendRecord", d.appendRecord(d.newRecord()), "arrangementChanged()",
            "recordsInserted(3,1)");
        ROW("deleteRecord undone", (d.deleteRecord(rec(d, 0)), d.undoManager().undo()),
            "recordRemoved(0)", "recordsInserted(2,1)");
        ROW("addRecord undone", (d.addRecord(), d.undoManager().undo()), "arrangementChanged()",
            "recordsInserted(3,1)", "recordRemoved(3)");
        ROW("setRecordValue", d.setRecordValue(rec(d, 1), kName, Value::string("B")),
            "recordChanged(1)");
        ROW("setRecordValue, same value", d.setRecordValue(rec(d, 1), kName, Value::string("Bob")));
        ROW("setRecordValue, record not listed",
            d.setRecordValue(d.newRecord(), kName, Value::string("x")));
        // The search is cleared: only a search that was there changes the arrangement.
        ROW("appendImportedRecords", d.appendImportedRecords({d.newRecord(), d.newRecord()}),
            "recordsInserted(3,2)");
        ROW("appendImportedRecords, searching",
            (d.setSearchText("Bob"), d.appendImportedRecords({d.newRecord()})),
            "arrangementChanged()", "arrangementChanged()", "recordsInserted(3,1)");
        ROW("renumberRecords", d.renumberRecords(), "recordValuesChanged()");
        ROW("deleteCheckedRecords", d.deleteCheckedRecords(), "recordsReset()");
        ROW("appendPrototype", d.appendPrototype(std::make_shared<Prototype>()),
            "prototypeInserted(2)");
        ROW("removePrototype", d.removePrototype(proto(d, 0)), "prototypeRemoved(0)");
        ROW("setPrototypePath", d.setPrototypePath(proto(d, 1), "x"), "prototypeChanged(1)");
        ROW("setPrototypeTemplate, same text",
            d.setPrototypeTemplate(proto(d, 1), TemplateKey::Foot, ""));
#undef ROW
    }
    void operationsAnnounceTheirRows()
    {
        QFETCH(Op, op);
        QFETCH(QStringList, announced);
        Document doc;
        fillDocument(doc, {"Name", "City"}, {{"Ann"}, {"Bob"}, {"Cid"}});
        doc.appendPrototype(std::make_shared<Prototype>());
        doc.appendPrototype(std::make_shared<Prototype>());
        doc.setSelectedKeyIndex(2);
        rec(doc, 2)->set(kCheckedKey, Value::boolean(true));
        doc.markSaved();
        std::deque<QSignalSpy> spies;
        const QMetaObject& meta = Document::staticMetaObject;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            if (meta.method(i).methodType() == QMetaMethod::Signal)
                spies.emplace_back(&doc, meta.method(i));
        }
        op(doc);
        QStringList log;
        for (const QSignalSpy& spy : spies) {
            const QString name = spy.signal().left(spy.signal().indexOf('('));
            for (const QVariantList& args : spy)
                log << name + "(" + QVariant(args).toStringList().join(u',') + ")";
        }
        const bool edited = log.removeAll("edited()") > 0;
        QCOMPARE(edited, !announced.isEmpty());
        QCOMPARE(doc.isDocumentEdited(), edited);
        log.sort();
        announced.sort();
        QCOMPARE(log, announced);
    }
};

QTEST_GUILESS_MAIN(DocumentRecordsTest)
#include "tst_document_records.moc"
