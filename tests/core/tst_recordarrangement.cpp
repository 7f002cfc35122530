#include "casefile.h"
#include "commands/recordcommands.h"
#include "commands/undostack.h"
#include "core/alert.h"
#include "support/documentbuilder.h"

#include <QtTest>

#include <map>

using namespace quillory;
using namespace quillory::test;

namespace {

const QString kName = QStringLiteral("3");

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
                 {{"Ann", "Rome"}, {"Bob", "OSLO"}, {"Abe", "Bogotá"}, {"Cid", "Zürich"}});
    for (size_t i = 0; i < size_t(marks.size()); ++i)
        doc.setRecordValue(doc.dataArray()[i], kCheckedKey, Value::boolean(marks[i] == u'1'));
}

RecordArrangement searching(const QString& text)
{
    return RecordArrangement{text, std::nullopt};
}

} // namespace

// What a record table lists (its search and sort), and the commands that act on what it lists.
class RecordArrangementTest : public QObject
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
        UndoStack stack(doc);
        const Record r = commands::addRecord(stack, searching("keep"));
        QCOMPARE(r->value(kCounterKey), Value::integer(row[3].toInteger()));
        QCOMPARE(doc.dataArray().back(), r);
        QCOMPARE(doc.largestCounter(), row[4].toInteger());
    }

    // Rows: name, command, search, marks after; Ann and Bob are checked before. The search
    // looks at the user fields only, case-insensitively.
    void checkCommandsTouchOnlyListedRecords_data() { addCaseRows("checkmarks.json"); }
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
    void deleteCheckedRemovesWhatItAnnounces_data() { addCaseRows("deletechecked.json"); }
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
    void sortOrder_data() { addCaseRows("sortorder.json"); }
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

QTEST_GUILESS_MAIN(RecordArrangementTest)
#include "tst_recordarrangement.moc"
