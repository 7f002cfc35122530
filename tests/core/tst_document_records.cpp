#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;
using namespace quillory::test;

namespace {

QList<qint64> counters(const std::vector<Record>& records)
{
    QList<qint64> out;
    for (const Record& r : records)
        out << r->value(kCounterKey).toInteger();
    return out;
}

} // namespace

class DocumentRecordsTest : public QObject
{
    Q_OBJECT
private slots:
    void newRecordsAreNumberedAfterTheListedMaximum()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name"});
        QCOMPARE(doc.checkedRecordCount(), 0);
        doc.recalcLargestCounter();
        QCOMPARE(doc.largestCounter(), 0);
        doc.addRecord();
        doc.addRecord();
        QCOMPARE(counters(doc.dataArray()), QList<qint64>({1, 2}));
        const Record first = doc.dataArray().front();
        QCOMPARE(first->value(kCheckedKey).type(), Value::Type::Bool);
        QCOMPARE(first->value(QStringLiteral("3")).toString(), QString());
        QCOMPARE(doc.selectedRecord(), doc.dataArray().back());

        // Only the listed records count; adding clears the search.
        Document big;
        big.prepareOpened();
        addFields(big, {"Name"});
        for (int i = 1; i <= 10; ++i)
            addRecord(big, i, {i == 3 ? "needle" : "hay"});
        big.setSearchText(QStringLiteral("needle"));
        QCOMPARE(big.largestListedCounter(), 3);
        big.setMainTabId(QStringLiteral("run"));
        big.addRecord();
        QCOMPARE(big.dataArray().back()->value(kCounterKey).toInteger(), 4);
        QCOMPARE(big.searchText().value_or("x"), QString());
        QCOMPARE(big.mainTabId(), QStringLiteral("db"));
    }

    void addAndDeleteUndoAndRedo()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name"});
        doc.addRecord();
        const Record r = doc.dataArray().back();
        QCOMPARE(doc.undoManager().undoActionName(), QStringLiteral("Add Record"));
        r->set(QStringLiteral("3"), Value::string(QStringLiteral("typed")));
        doc.undoManager().undo();
        QVERIFY(doc.dataArray().empty());
        QCOMPARE(doc.undoManager().redoActionName(), QStringLiteral("Add Record"));
        doc.undoManager().redo();
        QCOMPARE(doc.dataArray().size(), size_t(1));
        QCOMPARE(doc.dataArray().front(), r); // the same record, with what was typed
        QCOMPARE(r->value(QStringLiteral("3")).toString(), QStringLiteral("typed"));

        // A deleted record comes back at the end.
        doc.addRecord();
        doc.addRecord();
        doc.setSelectedRecord(doc.dataArray().front());
        doc.setMainTabId(QStringLiteral("file"));
        doc.removeRecord(); // not on the database tab: nothing
        QCOMPARE(doc.dataArray().size(), size_t(3));
        doc.setMainTabId(QStringLiteral("db"));
        doc.removeRecord();
        QCOMPARE(counters(doc.dataArray()), QList<qint64>({2, 3}));
        QCOMPARE(doc.undoManager().undoActionName(), QStringLiteral("Delete Record"));
        doc.undoManager().undo();
        QCOMPARE(counters(doc.dataArray()), QList<qint64>({2, 3, 1}));
        doc.undoManager().redo();
        QCOMPARE(counters(doc.dataArray()), QList<qint64>({2, 3}));
        // A new action drops what could be redone.
        doc.undoManager().undo();
        doc.addRecord();
        QVERIFY(!doc.undoManager().canRedo());
    }

    void searchLooksAtUserFieldsOnly_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("listed");
        QTest::newRow("case-insensitive substring") << QStringList{"Name"} << "xABCy"
                                                    << "abc" << true;
        QTest::newRow("query upper case") << QStringList{"Name"} << "xabcy"
                                          << "ABC" << true;
        QTest::newRow("counter not searched") << QStringList{"Name"} << "Bob"
                                              << "7" << false;
        QTest::newRow("no user field") << QStringList{} << QString() << "a" << false;
        QTest::newRow("empty search lists all") << QStringList{} << QString() << "" << true;
        QTest::newRow("sel not searched") << QStringList{"Name"} << "x"
                                          << "0" << false;
    }
    void searchLooksAtUserFieldsOnly()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, value);
        QFETCH(QString, query);
        QFETCH(bool, listed);
        Document doc;
        doc.prepareOpened();
        addFields(doc, fields);
        addRecord(doc, 7, fields.isEmpty() ? QStringList() : QStringList{value});
        doc.setSearchText(query);
        QCOMPARE(doc.arrangedRecords().size(), size_t(listed ? 1 : 0));
    }

    void checkCommandsWorkOnListedRecords()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name"});
        const Record ann = addRecord(doc, 1, {"Ann"});
        const Record bob = addRecord(doc, 2, {"Bob"});
        const Record abe = addRecord(doc, 3, {"Abe"});
        doc.setSearchText(QStringLiteral("a"));
        doc.checkAllRecords();
        QVERIFY(ann->value(kCheckedKey).toBool());
        QVERIFY(!bob->value(kCheckedKey).toBool());
        QVERIFY(doc.isCheckedRecords());
        QCOMPARE(doc.checkedRecordCount(), 2);

        doc.setSearchText(QString());
        doc.invertCheckRecords();
        QCOMPARE(doc.checkedRecordCount(), 1);
        QVERIFY(bob->value(kCheckedKey).toBool());

        // Hidden checked records are neither counted nor deleted.
        ann->set(kCheckedKey, Value::boolean(true));
        doc.setSearchText(QStringLiteral("b")); // Bob and Abe listed; Ann hidden
        const Alert alert = doc.confirmDeleteChecked();
        QCOMPARE(alert.messageText,
                 QStringLiteral("Do you want to delete all the 1 checked records?"));
        QCOMPARE(alert.informativeText,
                 QStringLiteral("It will not be possible to undo the action"));
        QCOMPARE(alert.buttons, QStringList({"OK", "Cancel"}));
        QCOMPARE(doc.deleteCheckedRecords(), 1);
        QCOMPARE(doc.dataArray(), std::vector<Record>({ann, abe}));
        QCOMPARE(doc.deleteCheckedRecords(), 0);

        doc.setSearchText(QString());
        doc.uncheckAllRecords();
        QCOMPARE(doc.checkedRecordCount(), 0);
        QVERIFY(!doc.isCheckedRecords());
    }

    void renumberingFollowsTheShownOrder()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name"});
        const Record c = addRecord(doc, 10, {"carol"});
        const Record a = addRecord(doc, 20, {"Ann"});
        const Record b = addRecord(doc, 30, {"bob"});
        doc.setDataSort(RecordSort{QStringLiteral("3"), true});
        doc.renumberRecords();
        QCOMPARE(a->value(kCounterKey).toInteger(), 1);
        QCOMPARE(b->value(kCounterKey).toInteger(), 2);
        QCOMPARE(c->value(kCounterKey).toInteger(), 3);
        QCOMPARE(a->value(kCounterKey).type(), Value::Type::Integer);

        // Hidden records keep their counters.
        doc.setSearchText(QStringLiteral("o"));
        doc.setDataSort(RecordSort{QStringLiteral("3"), false});
        doc.renumberRecords();
        QCOMPARE(c->value(kCounterKey).toInteger(), 1);
        QCOMPARE(b->value(kCounterKey).toInteger(), 2);
        QCOMPARE(a->value(kCounterKey).toInteger(), 1);
    }

    void counterTextFollowsTheDefaults_data()
    {
        QTest::addColumn<bool>("useLeading0");
        QTest::addColumn<bool>("force");
        QTest::addColumn<int>("forcedLen");
        QTest::addColumn<qint64>("maxNum");
        QTest::addColumn<qint64>("counter");
        QTest::addColumn<QString>("text");
        QTest::newRow("width of 120") << true << false << 3 << qint64(120) << qint64(7) << "007";
        QTest::newRow("width of 9") << true << false << 3 << qint64(9) << qint64(7) << "7";
        QTest::newRow("no padding") << false << false << 3 << qint64(120) << qint64(7) << "7";
        QTest::newRow("forced 20 caps at 9")
            << true << true << 20 << qint64(9) << qint64(7) << "000000007";
        QTest::newRow("never shortened")
            << true << true << 3 << qint64(9) << qint64(1234) << "1234";
    }
    void counterTextFollowsTheDefaults()
    {
        QFETCH(bool, useLeading0);
        QFETCH(bool, force);
        QFETCH(int, forcedLen);
        QFETCH(qint64, maxNum);
        QFETCH(qint64, counter);
        QFETCH(QString, text);
        MemoryUserDefaults defaults;
        defaults.setValue(QStringLiteral("useLeading0ForField1"), useLeading0);
        defaults.setValue(QStringLiteral("forceLeading0ForField1"), force);
        defaults.setValue(QStringLiteral("forcedTotLenField1"), forcedLen);
        Document doc(&defaults);
        doc.setLargestCounter(maxNum);
        QCOMPARE(doc.counterText(counter), text);
    }

    void largestCounterCoversAllRecords()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name"});
        addRecord(doc, 5, {"a"});
        addRecord(doc, 1LL << 40, {"b"});
        doc.setSearchText(QStringLiteral("a")); // the search does not matter here
        doc.recalcLargestCounter();
        QCOMPARE(doc.largestCounter(), 1LL << 40);
        Document fresh;
        fresh.prepareOpened();
        QCOMPARE(fresh.largestCounter(), 0);

        // The largest counter does not wrap around when a record is added after it.
        addRecord(doc, std::numeric_limits<qint64>::max(), {"c"});
        doc.setSearchText(QString());
        QCOMPARE(doc.newRecord()->value(kCounterKey).toInteger(),
                 std::numeric_limits<qint64>::max());
    }
};

QTEST_GUILESS_MAIN(DocumentRecordsTest)
#include "tst_document_records.moc"
