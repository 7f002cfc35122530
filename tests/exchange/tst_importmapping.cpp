#include "exchange/documentimportsession.h"

#include "core/document.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillory;

namespace {

const QString kFlag = QStringLiteral("\u00BB");

// A window-loaded document with the named user fields (inner keys "3", "4", ...).
std::unique_ptr<Document> makeDocument(const QStringList& fieldNames)
{
    auto doc = std::make_unique<Document>();
    doc->prepareOpened();
    for (qsizetype i = 0; i < fieldNames.size(); ++i)
        doc->keyArray().push_back({QString::number(3 + i), fieldNames[i]});
    return doc;
}

Record addRecord(Document& doc, qint64 counter)
{
    Record r = doc.newRecord();
    r->set(kCounterKey, Value::integer(counter));
    doc.dataArray().push_back(r);
    return r;
}

QList<int> destinations(const ImportSession& engine)
{
    QList<int> list;
    for (const ImportMappingRow& m : engine.mappingRows()) {
        // The flag always follows the destination.
        if (m.importFlag != (m.destination != 0 ? kFlag : QString()))
            return {-100};
        list << m.destination;
    }
    return list;
}

QStringList keysOf(const Record& r)
{
    QStringList keys;
    for (const auto& e : r->entries)
        keys << e.first;
    return keys;
}

QStringList userValues(const Document& doc, const Record& r)
{
    QStringList values;
    for (size_t i = kFirstUserKeyIndex; i < doc.keyArray().size(); ++i)
        values << r->value(doc.keyArray()[i].innerKey).toString();
    return values;
}

QStringList fieldNames(const Document& doc)
{
    QStringList names;
    for (size_t i = kFirstUserKeyIndex; i < doc.keyArray().size(); ++i)
        names << doc.keyArray()[i].publicKey;
    return names;
}

// The generic engine with a destination list of its own, to reach its own pop-up rule.
class GenericEngine : public ImportSession
{
public:
    GenericEngine() { m_destinationKeys = {kNoImport, {}, kNewField, {}, "3", "4"}; }
};

} // namespace

class TestImportMapping : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void destinationListFollowsTheKeys()
    {
        auto doc = makeDocument({"Name", ""});
        DocumentImportSession engine(*doc);
        QCOMPARE(engine.destinationKeys(), (QStringList{"NO_IMPORT", "", "NEW_FIELD", ""}));
        engine.loadText(QStringLiteral("a,b"), 2);
        QCOMPARE(engine.destinationKeys(),
                 (QStringList{"NO_IMPORT", "", "NEW_FIELD", "", "3", "4"}));
        QCOMPARE(engine.destinationMenuTitles().mid(4), (QStringList{"Name", "-"}));
        QCOMPARE(engine.currentRecordIndex(), 1);

        // Opening the settings again rebuilds the list instead of growing it.
        doc->keyArray()[2].publicKey = QStringLiteral("Renamed");
        doc->keyArray().push_back({"5", "Third"});
        engine.openSettings();
        QCOMPARE(engine.destinationKeys().mid(4), (QStringList{"3", "4", "5"}));
        QCOMPARE(engine.destinationMenuTitles().mid(4), (QStringList{"Renamed", "-", "Third"}));
        QCOMPARE(engine.destinationAt(6), std::optional<QString>("5"));
        QCOMPARE(engine.destinationAt(7), std::nullopt);
        QCOMPARE(engine.destinationAt(-1), std::nullopt);
    }

    void popUpKeepsAFieldOnOneColumn()
    {
        auto doc = makeDocument({"X", "Y"});
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("a,b,c,d"), 2);

        QVERIFY(engine.chooseDestination(0, 4));
        QCOMPARE(destinations(engine), (QList<int>{4, 0, 0, 0}));
        // Field X for column 3 takes it away from column 1.
        QVERIFY(engine.chooseDestination(2, 4));
        QCOMPARE(destinations(engine), (QList<int>{0, 0, 4, 0}));
        // Any number of columns may be new fields.
        QVERIFY(engine.chooseDestination(0, 2));
        QVERIFY(engine.chooseDestination(1, 2));
        QVERIFY(engine.chooseDestination(3, 5));
        QCOMPARE(destinations(engine), (QList<int>{2, 2, 4, 5}));
        QCOMPARE(engine.numberOfImportedFields(), 4);
        QCOMPARE(engine.destinationOfColumn(1), std::optional<QString>("NEW_FIELD"));
        QCOMPARE(engine.destinationOfColumn(3), std::optional<QString>("4"));
        QCOMPARE(engine.destinationOfColumn(4), std::nullopt);
        // Not importing a column leaves the others as they are.
        QVERIFY(engine.chooseDestination(1, 0));
        QCOMPARE(destinations(engine), (QList<int>{2, 0, 4, 5}));
        QCOMPARE(engine.numberOfImportedFields(), 3);

        // Separators, unknown destinations and rows change nothing.
        QVERIFY(!engine.chooseDestination(0, 1));
        QVERIFY(!engine.chooseDestination(0, 3));
        QVERIFY(!engine.chooseDestination(0, 6));
        QVERIFY(!engine.chooseDestination(0, -1));
        QVERIFY(!engine.chooseDestination(4, 4));
        QVERIFY(!engine.chooseDestination(-1, 4));
        QCOMPARE(destinations(engine), (QList<int>{2, 0, 4, 5}));
    }

    void genericPopUpClearsEveryRepeatedDestination()
    {
        GenericEngine engine;
        engine.loadText(QStringLiteral("a,b,c"), 2);
        QVERIFY(engine.chooseDestination(0, 2));
        QVERIFY(engine.chooseDestination(1, 2));
        QCOMPARE(destinations(engine), (QList<int>{0, 2, 0}));
        QVERIFY(engine.chooseDestination(2, 5));
        QVERIFY(engine.chooseDestination(0, 5));
        QCOMPARE(destinations(engine), (QList<int>{5, 2, 0}));
    }

    void bulkCommands()
    {
        auto doc = makeDocument({"A", "B", "C"});
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("1,2,3,4,5"), 2);

        engine.mapInCascade();
        QCOMPARE(destinations(engine), (QList<int>{4, 5, 6, 0, 0}));
        QCOMPARE(engine.numberOfImportedFields(), 3);
        engine.mapAllToNewFields();
        QCOMPARE(destinations(engine), (QList<int>{2, 2, 2, 2, 2}));
        QCOMPARE(engine.numberOfImportedFields(), 5);
        engine.resetMapping();
        QCOMPARE(destinations(engine), (QList<int>{0, 0, 0, 0, 0}));
        QCOMPARE(engine.numberOfImportedFields(), 0);

        // Fewer columns than fields: every column gets its field.
        engine.loadText(QStringLiteral("1,2"), 2);
        engine.mapInCascade();
        QCOMPARE(destinations(engine), (QList<int>{4, 5}));
    }

    void firstRowAssignment()
    {
        auto doc = makeDocument({"Name", "city", "City", "sel"});
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("NAME,#,CITY, name,Sel,x\n1,2,3,4,5,6"), 2);
        engine.mapAllToNewFields();
        QVERIFY(!engine.doNotImportFirstRecord());

        engine.mapFromFirstRow();
        // The last matching field wins; "#" never matches the counter; no trimming.
        QCOMPARE(destinations(engine), (QList<int>{4, 0, 6, 0, 7, 0}));
        QVERIFY(engine.doNotImportFirstRecord());
        QCOMPARE(engine.numberOfImportedFields(), 3);
    }

    void firstRowAssignmentWithoutRows()
    {
        auto doc = makeDocument({"Name"});
        DocumentImportSession engine(*doc);
        engine.loadText(QString(), 1); // one empty line: one column, no row
        QCOMPARE(engine.mappingRows().size(), size_t(1));
        engine.mapAllToNewFields();
        engine.mapFromFirstRow();
        QCOMPARE(destinations(engine), (QList<int>{2}));
        QVERIFY(!engine.doNotImportFirstRecord());
    }

    void firstRowOption()
    {
        auto doc = makeDocument({});
        DocumentImportSession engine(*doc);
        engine.setUseFirstRecordAsFieldsName(true);
        engine.firstRowSetFieldsNameSelected();
        QVERIFY(engine.doNotImportFirstRecord());
        engine.setUseFirstRecordAsFieldsName(false);
        engine.firstRowSetFieldsNameSelected();
        QVERIFY(!engine.doNotImportFirstRecord());

        engine.setUseFirstRecordAsFieldsName(true);
        engine.setDoNotImportFirstRecord(true);
        engine.setEnableFirstRecAsNameOption(false);
        engine.setDataArray(&doc->dataArray(), &doc->keyArray());
        QVERIFY(!engine.doNotImportFirstRecord());
        QVERIFY(!engine.useFirstRecordAsFieldsName());
        QVERIFY(engine.enableFirstRecAsNameOption());
    }

    void browsingTheRows()
    {
        auto doc = makeDocument({});
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("a\nb\nc"), 1);
        QCOMPARE(engine.currentRecordIndex(), 1);
        engine.showPrevRecord();
        QCOMPARE(engine.currentRecordIndex(), 1);
        QCOMPARE(engine.selectedImportRow(), 0);
        engine.showNextRecord();
        engine.showNextRecord();
        QCOMPARE(engine.currentRecordIndex(), 3);
        QCOMPARE(engine.selectedImportRow(), 2);
        engine.showNextRecord();
        QCOMPARE(engine.currentRecordIndex(), 3);
        QCOMPARE(engine.selectedImportRow(), 2);
        engine.showPrevRecord();
        QCOMPARE(engine.currentRecordIndex(), 2);
        QCOMPARE(engine.selectedImportRow(), 1);
        // Opening the settings shows the first row again.
        engine.openSettings();
        QCOMPARE(engine.currentRecordIndex(), 1);
        QCOMPARE(engine.selectedImportRow(), 0);

        engine.loadText(QString(), 2);
        engine.showNextRecord();
        engine.showPrevRecord();
        QCOMPARE(engine.currentRecordIndex(), 1);
        QCOMPARE(engine.selectedImportRow(), -1);
    }

    void importWithNothingMapped()
    {
        auto doc = makeDocument({"Name", "City"});
        doc->setSearchText(QStringLiteral("zzz"));
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("a,b\nc\nd,e,f"), 2);
        const qint64 changesBefore = doc->changeCount();
        engine.DoImport();

        QCOMPARE(doc->dataArray().size(), size_t(3));
        for (int i = 0; i < 3; ++i) {
            const Record& r = doc->dataArray()[size_t(i)];
            QCOMPARE(keysOf(r), (QStringList{"1", "2", "3", "4"}));
            QCOMPARE(r->value(kCounterKey), Value::integer(i + 1));
            QCOMPARE(r->value(kCheckedKey), Value::boolean(false));
            QCOMPARE(userValues(*doc, r), (QStringList{"", ""}));
        }
        // The document's end of import: one change, no undo, search cleared, largest counter.
        QCOMPARE(doc->changeCount(), changesBefore + 1);
        QVERIFY(!doc->undoManager().canUndo());
        QCOMPARE(doc->searchText().value_or("none"), QString());
        QCOMPARE(doc->largestCounter(), 3);
    }

    void importIntoExistingFields()
    {
        auto doc = makeDocument({"Name", "City"});
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("Ann,Rome,x\nBob\n\"Cy, Jr\",Oslo"), 0);
        engine.mapInCascade();
        engine.DoImport();
        QCOMPARE(doc->dataArray().size(), size_t(3));
        QCOMPARE(userValues(*doc, doc->dataArray()[0]), (QStringList{"Ann", "Rome"}));
        QCOMPARE(userValues(*doc, doc->dataArray()[1]), (QStringList{"Bob", ""}));
        QCOMPARE(userValues(*doc, doc->dataArray()[2]), (QStringList{"Cy, Jr", "Oslo"}));
        QCOMPARE(engine.columnInnerKeys(), (QStringList{"3", "4", ""}));
        // Records share the field keys' strings instead of holding copies.
        const Record& r = doc->dataArray()[0];
        QCOMPARE(r->entries[2].first.constData(), doc->keyArray()[2].innerKey.constData());
    }

    void countersContinueAfterTheLargest_data()
    {
        QTest::addColumn<QList<qint64>>("existing");
        QTest::addColumn<bool>("skipHeader");
        QTest::addColumn<QList<qint64>>("imported");
        QTest::newRow("empty document") << QList<qint64>{} << false << QList<qint64>{1, 2, 3};
        QTest::newRow("skipped header takes a number")
            << QList<qint64>{3, 7, 5} << true << QList<qint64>{9, 10};
        QTest::newRow("negative counters only")
            << QList<qint64>{-4} << false << QList<qint64>{1, 2, 3};
    }
    void countersContinueAfterTheLargest()
    {
        QFETCH(QList<qint64>, existing);
        QFETCH(bool, skipHeader);
        QFETCH(QList<qint64>, imported);
        auto doc = makeDocument({"Name"});
        for (qint64 c : existing)
            addRecord(*doc, c);
        // A record without a counter counts as 0.
        Record bare = Dict::make();
        doc->dataArray().push_back(bare);
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("h\na\nb"), 1);
        QCOMPARE(engine.firstNewCounter(), imported.first() - (skipHeader ? 1 : 0));
        engine.setDoNotImportFirstRecord(skipHeader);
        engine.DoImport();
        QList<qint64> counters;
        for (size_t i = existing.size() + 1; i < doc->dataArray().size(); ++i)
            counters << doc->dataArray()[i]->value(kCounterKey).toInteger();
        QCOMPARE(counters, imported);
    }

    void newFieldsInColumnOrder()
    {
        auto doc = makeDocument({"Name"});
        Record old = addRecord(*doc, 1);
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("p,q,r\ns,t,u"), 2);
        QVERIFY(engine.chooseDestination(0, 2));
        QVERIFY(engine.chooseDestination(1, 4));
        QVERIFY(engine.chooseDestination(2, 2));
        engine.DoImport();

        QCOMPARE(fieldNames(*doc), (QStringList{"Name", "KEY2", "KEY3"}));
        QCOMPARE(engine.columnInnerKeys(), (QStringList{"4", "3", "5"}));
        QCOMPARE(doc->dataArray().size(), size_t(3));
        QCOMPARE(userValues(*doc, doc->dataArray()[1]), (QStringList{"q", "p", "r"}));
        QCOMPARE(userValues(*doc, doc->dataArray()[2]), (QStringList{"t", "s", "u"}));
        QCOMPARE(keysOf(doc->dataArray()[1]), (QStringList{"1", "2", "3", "4", "5"}));
        // The record that was there gets the new fields empty.
        QCOMPARE(userValues(*doc, old), (QStringList{"", "", ""}));
        QCOMPARE(old->value(kCounterKey), Value::integer(1));
        QCOMPARE(doc->dataArray()[1]->value(kCounterKey), Value::integer(2));
    }

    void headerNamesOption_data()
    {
        QTest::addColumn<bool>("headerNames");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<qint64>>("counters");
        QTest::addColumn<QStringList>("firstValues");
        QTest::newRow("off: described behaviour")
            << false << QStringList{"KEY1", "KEY2", "KEY3"} << QList<qint64>{1, 2}
            << QStringList{"Name", " ", "Age"};
        QTest::newRow("on: names from the first row, blank keeps its own")
            << true << QStringList{"Name", "KEY2", "Age"} << QList<qint64>{1}
            << QStringList{"Ann", "x", "30"};
    }
    void headerNamesOption()
    {
        QFETCH(bool, headerNames);
        QFETCH(QStringList, names);
        QFETCH(QList<qint64>, counters);
        QFETCH(QStringList, firstValues);
        auto doc = makeDocument({});
        DocumentImportSession engine(*doc);
        engine.setUseHeaderNamesForNewFields(headerNames);
        engine.loadText(QStringLiteral("Name, ,Age\nAnn,x,30"), 2);
        engine.mapAllToNewFields();
        engine.DoImport();
        QCOMPARE(fieldNames(*doc), names);
        QList<qint64> got;
        for (const Record& r : doc->dataArray())
            got << r->value(kCounterKey).toInteger();
        QCOMPARE(got, counters);
        QCOMPARE(userValues(*doc, doc->dataArray().front()), firstValues);
    }

    void importWithoutTheSettingsStep()
    {
        auto doc = makeDocument({"Name"});
        addRecord(*doc, 4);
        const QString path = m_dir.filePath("direct.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a\tb\nc\td\n");
        f.close();
        DocumentImportSession engine(*doc);
        engine.setUseSettingsPanel(false);
        engine.load(path);
        // Imported at once, numbered after the largest counter, nothing mapped.
        QCOMPARE(doc->dataArray().size(), size_t(3));
        QCOMPARE(doc->dataArray()[1]->value(kCounterKey), Value::integer(5));
        QCOMPARE(doc->dataArray()[2]->value(kCounterKey), Value::integer(6));
        QCOMPARE(userValues(*doc, doc->dataArray()[1]), QStringList{""});
    }

    void cancelChangesNothing()
    {
        auto doc = makeDocument({"Name"});
        doc->markSaved();
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("a\nb"), 1);
        engine.mapAllToNewFields();
        engine.cancelSettings();
        QVERIFY(doc->dataArray().empty());
        QCOMPARE(doc->keyArray().size(), size_t(3));
        QVERIFY(!doc->isDocumentEdited());
        // The rows and the mapping stay for the next try.
        QCOMPARE(engine.numberOfImportRows(), 2);
        QCOMPARE(destinations(engine), (QList<int>{2}));
    }

    void genericEngineMakesNoRecords()
    {
        std::vector<Record> records;
        std::vector<FieldKey> keys{{"1", "#"}, {"2", "sel"}};
        ImportSession engine(&records, &keys, nullptr);
        engine.loadText(QStringLiteral("a\nb"), 1);
        QTest::ignoreMessage(QtWarningMsg,
                             "[ImportSession newImportRecord] must be subclassed");
        engine.DoImport();
        QVERIFY(records.empty());
    }

    void progressWhileImporting()
    {
        auto doc = makeDocument({});
        DocumentImportSession engine(*doc);
        engine.loadText(QStringLiteral("a\nb\nc"), 1);
        std::vector<std::pair<qint64, qint64>> calls;
        engine.setProgressCallback([&](qint64 d, qint64 t) { calls.push_back({d, t}); });
        engine.DoImport();
        QVERIFY(!calls.empty());
        QCOMPARE(calls.back(), (std::pair<qint64, qint64>{3, 3}));
    }
};

QTEST_APPLESS_MAIN(TestImportMapping)
#include "tst_importmapping.moc"
