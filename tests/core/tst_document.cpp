#include "casefile.h"
#include "commands/fieldcommands.h"
#include "commands/importstep.h"
#include "commands/recordcommands.h"
#include "commands/undostack.h"
#include "core/alert.h"
#include "core/substitutioncontext.h"
#include "support/documentbuilder.h"

#include <QtTest>

#include <deque>
#include <limits>
#include <map>

using namespace quillory;
using namespace quillory::test;

namespace {

using Op = void (*)(Document&);
const QString kName = QStringLiteral("3");

const auto rec = [](const Document& d, size_t i) { return d.dataArray()[i]; };
const auto proto = [](const Document& d, size_t i) { return d.universalFilePrototypeArray()[i]; };

// The text under key of each record, in order ("(none)" where a record holds no entry).
QStringList column(const Document& doc, const QString& key)
{
    QStringList out;
    for (const Record& r : doc.dataArray())
        out << (r->contains(key) ? r->value(key).toText() : QStringLiteral("(none)"));
    return out;
}

// The text under key of each of records, in order ("1"/"0" for the checked mark).
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
                 {{"Ann", "Rome"}, {"Bob", "OSLO"}, {"Abe", "Bogotá"}, {"Cid", "Zürich"}});
    for (size_t i = 0; i < size_t(marks.size()); ++i)
        doc.setRecordValue(doc.dataArray()[i], kCheckedKey, Value::boolean(marks[i] == u'1'));
}

RecordArrangement searching(const QString& text)
{
    return RecordArrangement{text, std::nullopt};
}

} // namespace

Q_DECLARE_METATYPE(Op)

// A document's fields, records and Prototypes, the signals that keep views in step, the tags
// its values fill, and what a record table lists of it.
class DocumentTest : public QObject
{
    Q_OBJECT
private slots:
    void builtInKeysComeWithEveryDocument()
    {
        Document doc;
        QCOMPARE(doc.keyArray(), (std::vector<FieldKey>{{"1", "#"}, {"2", "sel"}}));
        QVERIFY(!doc.isDocumentEdited());
        QCOMPARE(doc.unusedInnerKey(), QStringLiteral("3"));

        // A read takes the file's fields as they are, and the views start afresh.
        Document read;
        QSignalSpy reset(&read, &Document::recordsReset);
        read.setContents(
            {{{"1", "#"}, {"2", "sel"}, {"5", "Name"}}, {}, false, {}, {}, "db", "one", {}});
        QCOMPARE(innerKeys(read), QStringList({"1", "2", "5"}));
        QVERIFY(!reset.isEmpty() && !read.isDocumentEdited()); // as its file
        // A file without fields gets the built-in ones.
        read.setContents({});
        QCOMPARE(innerKeys(read), QStringList({"1", "2"}));
    }

    // A damaged file may list an inner key twice: a new record holds it once, and removing one
    // of the two fields keeps the values, which the other still shows.
    void aRepeatedInnerKeyKeepsItsValuesUntilTheLastGoes()
    {
        Document doc;
        DocumentContents c;
        c.keys = {{"1", "#"}, {"2", "sel"}, {"3", "Name"}, {"3", "Again"}};
        doc.setContents(std::move(c));
        const Record fresh = doc.newRecord(0);
        QCOMPARE(fresh->size(), qsizetype(3));
        QCOMPARE(fresh->value(u"3"), Value::string(QString()));
        doc.appendRecords({fresh});
        doc.setRecordValue(fresh, "3", Value::string("Ann"));
        doc.removeField(3);
        QCOMPARE(column(doc, "3"), QStringList({"Ann"}));
        doc.removeField(2);
        QCOMPARE(column(doc, "3"), QStringList({"(none)"}));
    }

    // The rename command keeps a name only when it holds more than white space.
    void renameKeepsOnlyNamesWithText_data() { addCaseRows("renamekey.json"); }
    void renameKeepsOnlyNamesWithText()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        fillDocument(doc, {"Name"}, {});
        doc.markSaved();
        UndoStack stack(doc);
        const bool kept = commands::renameField(stack, row[1].toInt(), row[2].toString());
        QCOMPARE(publicKeys(doc), row[3].toVariant().toStringList());
        QCOMPARE(kept, publicKeys(doc).contains(row[2].toString()));
        QCOMPARE(doc.isDocumentEdited(), kept);
    }

    // The fields are Name, Name, City, #3 and #9, under the inner keys 3 to 7.
    void keyIndicesForName_data() { addCaseRows("keyindices.json"); }
    void keyIndicesForName()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        fillDocument(doc, {"Name", "Name", "City", "#3", "#9"}, {});
        QVariantList found;
        for (int i : doc.keyIndicesForName(row[1].toString()))
            found << qlonglong(i);
        QCOMPARE(found, row[2].toArray().toVariantList());
    }

    // Steps on a document read with the given inner keys: "+" adds a field, "-K" deletes the
    // field with inner key K; each row lists the inner key every "+" must get.
    void newFieldsTakeTheLowestFreeInnerKey_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("given");
        const auto row = [](const char* name, QStringList stored, QStringList steps,
                            QStringList given) { QTest::newRow(name) << stored << steps << given; };
        row("new document", {"1", "2"}, {"+", "+", "+"}, {"3", "4", "5"});
        row("gap filled first", {"1", "2", "3", "5"}, {"+", "+"}, {"4", "6"});
        row("freed key taken again", {"1", "2", "3", "4", "5"}, {"+", "-4", "-3", "+", "+", "+"},
            {"6", "3", "4", "7"});
        row("other spellings free nothing", {"1", "2", "03", " 3", "x", "-1"}, {"+", "+"},
            {"3", "4"});
        row("a repeated key stays used until both go", {"1", "2", "3", "3"},
            {"-3", "+", "-3", "-4", "+"}, {"4", "3"});
    }
    void newFieldsTakeTheLowestFreeInnerKey()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, given);
        Document doc;
        DocumentContents contents;
        for (const QString& k : stored)
            contents.keys.push_back({k, QStringLiteral("F") + k});
        doc.setContents(std::move(contents));
        QStringList got;
        for (const QString& step : steps) {
            if (step == QLatin1String("+")) {
                got << doc.unusedInnerKey();
                doc.insertField(int(doc.keyArray().size()), {got.back(), QStringLiteral("new")});
                continue;
            }
            const std::vector<int> at = doc.keyIndicesForName(QLatin1Char('#') + step.mid(1));
            QVERIFY2(!at.empty(), qPrintable(step));
            QCOMPARE(doc.removeField(at.front()).index, at.front());
        }
        QCOMPARE(got, given);
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
        ROW("removeRecords, several", d.removeRecords({0, 2}), "recordsReset()"); // Cid's mark too
        ROW("removeRecords, none listed", d.removeRecords({3, -1}));
        ROW("removeLastRecords", d.removeLastRecords(2), "recordsReset()");
        ROW("removeLastRecords, none", d.removeLastRecords(0));
        ROW("setRecordValue", d.setRecordValue(rec(d, 1), kName, Value::string("B")),
            "recordChanged(1)");
        ROW("setRecordValue, uncheck",
            d.setRecordValue(rec(d, 2), kCheckedKey, Value::boolean(false)), "recordChanged(2)");
        ROW("removeRecords, then insertRecords", d.insertRecords(d.removeRecords({2})),
            "recordRemoved(2)", "recordsInserted(2,1)");
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
        // The checked state follows every change of a mark or of the records.
        qint64 checked = 0;
        for (const Record& r : doc.dataArray())
            checked += r->value(kCheckedKey).toBool() ? 1 : 0;
        QCOMPARE(doc.checkedRecordCount(), checked);
        QCOMPARE(doc.isCheckedRecords(), checked > 0);
        const bool edited = log.removeAll("edited()") > 0;
        QCOMPARE(edited, !announced.isEmpty());
        QCOMPARE(doc.isDocumentEdited(), edited);
        log.sort();
        announced.sort();
        QCOMPARE(log, announced);
    }

    // Rows: name, fields, values of a record with counter 7 (null: no record), template, the
    // field then standard substitution (null: none). The largest counter is 120.
    void fieldThenStandardTags_data()
    {
        addCaseRows("substitution.json");
    }
    void fieldThenStandardTags()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        doc.setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        fillDocument(doc, row[1].toVariant().toStringList(), {});
        addRecord(doc, 120, {});
        const Record r =
            row[2].isNull() ? Record() : addRecord(doc, 7, row[2].toVariant().toStringList());
        const QString tmpl = row[3].toString();
        const SubstitutionContext context = SubstitutionContext::fromDocument(doc);
        const auto result = context.standardTags(context.fieldTags(tmpl, r));
        QCOMPARE(result ? QJsonValue(*result) : QJsonValue(), row[4]);
        const auto both = context.bothTags(tmpl, r);
        QCOMPARE(both ? QJsonValue(*both) : QJsonValue(), row[4]);
    }

    // Rows: name, [useLeading0, forceLeading0, forcedTotLen] or null for the registered
    // defaults, the text of counter 7 when the largest is 120.
    void counterTextFollowsTheDefaults_data()
    {
        addCaseRows("countertext.json");
    }
    void counterTextFollowsTheDefaults()
    {
        QFETCH(QJsonArray, row);
        MemoryUserDefaults defaults;
        const QJsonArray format = row[1].toArray();
        if (!format.isEmpty()) {
            defaults.setValue("useLeading0ForField1", format[0].toBool());
            defaults.setValue("forceLeading0ForField1", format[1].toBool());
            defaults.setValue("forcedTotLenField1", format[2].toInteger());
        }
        Document doc(&defaults);
        fillDocument(doc, {}, {});
        addRecord(doc, 120, {});
        const Record r = addRecord(doc, 7, {});
        QCOMPARE(doc.counterText(7), row[2].toString());
        QCOMPARE(SubstitutionContext::fromDocument(doc).fieldTags(QStringLiteral("<#>"), r),
                 row[2].toString());
    }

    void theClockIsReadOncePerTextHoldingADateTag()
    {
        Document doc;
        int reads = 0;
        doc.setClock([&reads] {
            ++reads;
            return QDateTime(QDate(2007, 3, 5), QTime(23, 59, 59));
        });
        const SubstitutionContext context = SubstitutionContext::fromDocument(doc);
        QCOMPARE(context.standardTags(QStringLiteral("<N> <x>")), QStringLiteral("<N> <x>"));
        QCOMPARE(reads, 0);
        // One reading serves every tag of a text, so that a text never mixes two seconds.
        QCOMPARE(context.standardTags(QStringLiteral("<h>:<m>:<s> <D>")),
                 QStringLiteral("23:59:59 05"));
        QCOMPARE(reads, 1);
    }

    // What a record table lists (its search and sort), and the commands that act on it.
    // Rows: name, counters of the listed records, of the hidden ones, the next counter, the
    // largest stored counter.
    void newRecordFollowsTheLargestListedCounter_data()
    {
        addCaseRows("newcounter.json");
    }
    void newRecordFollowsTheLargestListedCounter()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        fillDocument(doc, {"Name"}, {});
        for (const QJsonValue c : row[1].toArray())
            addRecord(doc, c.toInteger(), {"keep"});
        for (const QJsonValue c : row[2].toArray())
            addRecord(doc, c.toInteger(), {"hide"});
        UndoStack stack(doc);
        const Record r = commands::addRecord(stack, searching("keep"));
        QCOMPARE(r->value(kCounterKey), Value::integer(row[3].toInteger()));
        QCOMPARE(doc.dataArray().back(), r);
        QCOMPARE(doc.largestCounter(), row[4].toInteger());
    }

    // Rows: name, command, search, marks after; Ann and Bob are checked before. The search
    // looks at the user fields only, case-insensitively.
    void checkCommandsTouchOnlyListedRecords_data()
    {
        addCaseRows("checkmarks.json");
    }
    void checkCommandsTouchOnlyListedRecords()
    {
        QFETCH(QJsonArray, row);
        const std::map<QString, commands::CheckChange> changes{
            {"check", commands::CheckChange::CheckAll},
            {"uncheck", commands::CheckChange::UncheckAll},
            {"invert", commands::CheckChange::Invert}};
        Document doc;
        setUpChecked(doc, QStringLiteral("1100"));
        UndoStack stack(doc);
        const RecordArrangement listed = searching(row[2].toString());
        commands::changeChecks(stack, listed, changes.at(row[1].toString()));
        QCOMPARE(column(doc.dataArray(), kCheckedKey).join(""), row[3].toString());
        QCOMPARE(doc.checkedRecordCount(), row[3].toString().count(u'1'));
        QCOMPARE(doc.isCheckedRecords(), row[3].toString().contains(u'1'));
        // What the table lists is what the search passes, in stored order.
        std::vector<Record> passing;
        for (const Record& r : doc.dataArray())
            if (listed.passes(doc, r))
                passing.push_back(r);
        QCOMPARE(listed.arrange(doc), passing);
    }

    // Rows: name, search, the names left; Ann, Bob and Cid are checked.
    void deleteCheckedRemovesWhatItAnnounces_data()
    {
        addCaseRows("deletechecked.json");
    }
    void deleteCheckedRemovesWhatItAnnounces()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        setUpChecked(doc, QStringLiteral("1101"));
        UndoStack stack(doc);
        const RecordArrangement listed = searching(row[1].toString());
        const Alert alert =
            Alert::deleteCheckedRecords(qint64(commands::checkedRecords(stack, listed).size()));
        const qint64 removed = commands::deleteChecked(stack, listed);
        QCOMPARE(column(doc.dataArray(), kName), row[2].toVariant().toStringList());
        QCOMPARE(removed, 4 - qint64(doc.dataArray().size()));
        QCOMPARE(alert.messageText,
                 QStringLiteral("Do you want to delete all the %1 checked records?").arg(removed));
    }

    void renumberingFollowsTheShownOrderAndSkipsHiddenRecords()
    {
        Document doc;
        fillDocument(doc, {"Name"}, {{"Carol"}, {"Ann"}, {"bob"}, {"dan"}});
        UndoStack stack(doc);
        // Ann and dan hidden; bob before Carol, whatever the case.
        commands::renumber(stack, RecordArrangement{"o", RecordSort{kName, true}});
        QCOMPARE(column(doc.dataArray(), kCounterKey), QStringList({"2", "2", "1", "4"}));
    }

    // Rows: name, the field sorted by ("#" the counter, else Name), its values in stored order
    // (null: a record without the field), the stored positions (from 1) ascending, then
    // descending. Equal values keep their order either way.
    void sortOrder_data()
    {
        addCaseRows("sortorder.json");
    }
    void sortOrder()
    {
        QFETCH(QJsonArray, row);
        const bool byCounter = row[1].toString() == "#";
        Document doc;
        addFields(doc, {"Name"});
        const QJsonArray values = row[2].toArray();
        for (qsizetype i = 0; i < values.size(); ++i) {
            MutableRecord r = PackedRecord::make();
            const Value position = Value::integer(i + 1);
            r->set(byCounter ? kName : kCounterKey, position);
            if (!values[i].isNull())
                r->set(byCounter ? kCounterKey : kName, byCounter
                                                            ? Value::integer(values[i].toInteger())
                                                            : Value::string(values[i].toString()));
            doc.appendRecords({r});
        }
        const QString key = byCounter ? kCounterKey : kName;
        const auto positions = [&](bool ascending) {
            return column(RecordArrangement::sorted(doc.dataArray(), {key, ascending}),
                          byCounter ? kName : kCounterKey)
                .join("");
        };
        QCOMPARE(positions(true), row[3].toString());
        QCOMPARE(positions(false), row[4].toString());
    }

    void withoutUserFieldsASearchListsNothing()
    {
        Document doc;
        fillDocument(doc, {}, {{}, {}});
        QCOMPARE(searching("1").arrange(doc).size(), size_t(0));
        QCOMPARE(searching("").arrange(doc).size(), size_t(2));
    }
};

QTEST_GUILESS_MAIN(DocumentTest)
#include "tst_document.moc"
