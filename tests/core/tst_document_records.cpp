#include "commands/importstep.h"
#include "commands/undostack.h"
#include "support/documentbuilder.h"

#include <QtTest>

#include <deque>
#include <limits>

using namespace quillory;
using namespace quillory::test;

namespace {

using Op = void (*)(Document&);
const QString kName = QStringLiteral("3");

const auto rec = [](const Document& d, size_t i) { return d.dataArray()[i]; };
const auto proto = [](const Document& d, size_t i) { return d.universalFilePrototypeArray()[i]; };

} // namespace

Q_DECLARE_METATYPE(Op)

class DocumentRecordsTest : public QObject
{
    Q_OBJECT
private slots:
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
        QFETCH(bool, checked);
        QFETCH(qint64, largest);
        Document doc;
        fillDocument(doc, {"Name"}, {});
        const auto make = [&](qint64 c) {
            MutableRecord r = makeRecord(doc, c, {"x"});
            if (c == 0)
                r->remove(kCounterKey);
            r->set(kCheckedKey, Value::boolean(c < 0));
            return Record(r);
        };
        DocumentContents contents{doc.keyArray(), {}, false, {}, {}, "db", "one", {}};
        for (qint64 c : stored)
            contents.records.push_back(make(c));
        doc.setContents(std::move(contents)); // as a read gives them
        std::vector<Record> batch;
        for (qint64 c : imported)
            batch.push_back(make(c));
        UndoStack stack(doc);
        ImportStep step(stack, QStringLiteral("rows.csv"));
        step.appendImportedRecords(ImportBatch::of(std::move(batch)));
        QCOMPARE(doc.isCheckedRecords(), checked);
        QCOMPARE(doc.checkedRecordCount() > 0, checked);
        QCOMPARE(doc.largestCounter(), largest);
        QCOMPARE(doc.largestStoredCounter(), largest);
        QCOMPARE(qsizetype(doc.dataArray().size()), stored.size() + imported.size());
    }

    // A new record holds "" in every field, the counter after the one given (never past the
    // largest 64-bit counter) and no check.
    void newRecordsStartBlank()
    {
        Document doc;
        fillDocument(doc, {"Name", "City"}, {});
        const Record r = doc.newRecord(41);
        QCOMPARE(r->value(kCounterKey), Value::integer(42));
        QCOMPARE(r->value(kCheckedKey), Value::boolean(false));
        QCOMPARE(r->value(u"3"), Value::string(QString()));
        QCOMPARE(r->value(u"4"), Value::string(QString()));
        QCOMPARE(r->size(), qsizetype(4));
        const qint64 top = std::numeric_limits<qint64>::max();
        QCOMPARE(doc.newRecord(top)->value(kCounterKey), Value::integer(top));
        QVERIFY(doc.dataArray().empty()); // made, not listed
    }

    // Views over the lists are kept in step by these signals alone: each operation announces
    // exactly the rows it touched, and counts as a change exactly when it made one.
    void operationsAnnounceTheirRows_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QStringList>("announced");
        // Fields Name and City (rows 2, 3); records Ann, Bob and Cid, Cid checked; two
        // Prototypes. Rows that change nothing announce nothing.
#define ROW(name, body, ...)                                                                       \
    QTest::newRow(name) << Op([](Document& d) { body; }) << QStringList{__VA_ARGS__}
        ROW("insertField", d.insertField(4, {d.unusedInnerKey(), "Zip"}), "keyInserted(4)");
        ROW("renameField", d.renameField(3, "Town"), "keyRenamed(3)");
        ROW("renameField, same name", d.renameField(3, "City"));
        ROW("renameField, built-in", d.renameField(0, "Counter"));
        ROW("removeField", d.removeField(2), "keyRemoved(2)");
        ROW("removeField, built-in", d.removeField(1));
        ROW("restoreField", d.restoreField(d.removeField(2)), "keyRemoved(2)", "keyInserted(2)");
        ROW("appendRecords", d.appendRecords({d.newRecord(3), d.newRecord(4)}),
            "recordsInserted(3,2)");
        ROW("appendRecords, none", d.appendRecords({}));
        ROW("insertRecords, one", d.insertRecords({{1, d.newRecord(0)}}), "recordsInserted(1,1)");
        ROW("insertRecords, several", d.insertRecords({{0, d.newRecord(0)}, {2, d.newRecord(0)}}),
            "recordsReset()");
        ROW("removeRecords, one", d.removeRecords({0}), "recordRemoved(0)");
        ROW("removeRecords, several", d.removeRecords({0, 2}), "recordsReset()");
        ROW("removeRecords, none listed", d.removeRecords({3, -1}));
        ROW("removeLastRecords", d.removeLastRecords(2), "recordsReset()");
        ROW("removeLastRecords, none", d.removeLastRecords(0));
        ROW("setRecordValue", d.setRecordValue(rec(d, 1), kName, Value::string("B")),
            "recordChanged(1)");
        ROW("setRecordValue, same value", d.setRecordValue(rec(d, 1), kName, Value::string("Bob")));
        ROW("setRecordValue, record not listed",
            d.setRecordValue(d.newRecord(0), kName, Value::string("x")));
        ROW("setRecordValues",
            d.setRecordValues(kCheckedKey, {{rec(d, 0), Value::boolean(true)},
                                            {rec(d, 2), Value::boolean(false)}}),
            "recordValuesChanged()");
        ROW("reorderRecords", d.reorderRecords({rec(d, 2), rec(d, 1), rec(d, 0)}),
            "recordsReset()");
        ROW("reorderRecords, not the same count", d.reorderRecords({rec(d, 2)}));
        ROW("insertPrototype", d.insertPrototype(1, std::make_shared<Prototype>()),
            "prototypeInserted(1)");
        ROW("insertPrototype, already listed", d.insertPrototype(0, proto(d, 1)));
        ROW("removePrototype", d.removePrototype(0), "prototypeRemoved(0)");
        ROW("removePrototype, past the end", d.removePrototype(2));
        ROW("setPrototypePath", d.setPrototypePath(proto(d, 1), "x"), "prototypeChanged(1)");
        ROW("setPrototypeFolder", d.setPrototypeFolder(proto(d, 0), true), "prototypeChanged(0)");
        ROW("setPrototypeTemplate, same text",
            d.setPrototypeTemplate(proto(d, 1), TemplateKey::Foot, ""));
        ROW("setPrototypeTemplate, Prototype not listed",
            d.setPrototypeTemplate(std::make_shared<Prototype>(), TemplateKey::Foot, "F"));
        ROW("setDestination", d.setDestination(true, QByteArray("b")), "destinationChanged()");
        // The tabs a window saves on, and the counter width, are no change of the data.
        ROW("setSavedTabs", d.setSavedTabs("run", "multi"));
        ROW("setLargestCounter", d.setLargestCounter(99));
#undef ROW
    }
    void operationsAnnounceTheirRows()
    {
        QFETCH(Op, op);
        QFETCH(QStringList, announced);
        Document doc;
        fillDocument(doc, {"Name", "City"}, {{"Ann"}, {"Bob"}, {"Cid"}});
        doc.insertPrototype(0, std::make_shared<Prototype>());
        doc.insertPrototype(1, std::make_shared<Prototype>());
        doc.setRecordValue(rec(doc, 2), kCheckedKey, Value::boolean(true));
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

    // The checked state follows every operation that can change a mark or the records.
    void theCheckedStateFollowsTheRecords()
    {
        Document doc;
        fillDocument(doc, {"Name"}, {{"Ann"}, {"Bob"}});
        QVERIFY(!doc.isCheckedRecords());
        doc.setRecordValue(rec(doc, 1), kCheckedKey, Value::boolean(true));
        QVERIFY(doc.isCheckedRecords());
        const auto removed = doc.removeRecords({1});
        QVERIFY(!doc.isCheckedRecords());
        doc.insertRecords(removed);
        QVERIFY(doc.isCheckedRecords());
        doc.setRecordValues(kCheckedKey, {{rec(doc, 1), Value::boolean(false)}});
        QVERIFY(!doc.isCheckedRecords());
        doc.setRecordValues(kCheckedKey, {{rec(doc, 0), Value::boolean(true)}});
        QCOMPARE(doc.checkedRecordCount(), 1);
        doc.removeLastRecords(2);
        QVERIFY(!doc.isCheckedRecords());
    }
};

QTEST_GUILESS_MAIN(DocumentRecordsTest)
#include "tst_document_records.moc"
