#include "casefile.h"
#include "commands/fieldcommands.h"
#include "commands/undostack.h"
#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;
using namespace quillory::test;

namespace {

// The text under key of each record, in order ("(none)" where a record holds no entry).
QStringList column(const Document& doc, const QString& key)
{
    QStringList out;
    for (const Record& r : doc.dataArray())
        out << (r->contains(key) ? r->value(key).toText() : QStringLiteral("(none)"));
    return out;
}

} // namespace

class DocumentFieldsTest : public QObject
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

    // A damaged file may list an inner key twice: removing one of the two keeps the values,
    // which the other still shows.
    void aRepeatedInnerKeyKeepsItsValuesUntilTheLastGoes()
    {
        Document doc;
        DocumentContents c;
        c.keys = {{"1", "#"}, {"2", "sel"}, {"3", "Name"}, {"3", "Again"}};
        MutableRecord r = PackedRecord::make();
        r->set("3", Value::string("Ann"));
        c.records.push_back(r);
        doc.setContents(std::move(c));
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
};

QTEST_GUILESS_MAIN(DocumentFieldsTest)
#include "tst_document_fields.moc"
