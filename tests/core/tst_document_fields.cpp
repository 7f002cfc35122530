#include "casefile.h"
#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;
using namespace quillory::test;

class DocumentFieldsTest : public QObject
{
    Q_OBJECT
private slots:
    void builtInKeysAreAddedOnlyToANewDocument()
    {
        Document doc;
        doc.prepareOpened();
        QCOMPARE(doc.keyArray(), (std::vector<FieldKey>{{"1", "#"}, {"2", "sel"}}));
        Document read;
        QSignalSpy reset(&read, &Document::recordsReset);
        read.setContents(
            {{{"1", "#"}, {"2", "sel"}, {"5", "Name"}}, {}, false, {}, {}, "db", "one", {}});
        read.prepareOpened();
        QCOMPARE(innerKeys(read), QStringList({"1", "2", "5"}));
        QVERIFY(!reset.isEmpty() && !read.isDocumentEdited()); // as its file, shown afresh
        // Tag menus list every user field, duplicates included, and never the built-ins.
        addFields(read, {"Name"});
        const TagMenuItem item{"<Name>", "mergeSeparatorViewTagInsert"};
        QCOMPARE(read.tagPopUpItems(TagPopUp::MergeSeparator), (std::vector{item, item}));
    }

    void fieldsReachEveryRecordEvenHiddenOnes()
    {
        Document doc;
        fillDocument(doc, {"Name", "City"}, {{"Ann", "Rome"}});
        const Record hidden = doc.dataArray().front();
        doc.setSearchText(QStringLiteral("zzz"));
        for (int builtIn : {0, 1}) {
            doc.setSelectedKeyIndex(builtIn);
            QVERIFY(!doc.deleteSelectedKey() && !doc.deleteSelectedKeyConfirmed());
        }
        doc.setSelectedKeyIndex(2);
        QVERIFY(doc.deleteSelectedKey()->messageText.contains(QStringLiteral("'Name'")));
        QVERIFY(doc.deleteSelectedKeyConfirmed());
        QVERIFY(!hidden->contains(QStringLiteral("3")));
        QCOMPARE(hidden->value(QStringLiteral("4")).toString(), QStringLiteral("Rome"));

        // The freed inner key is taken again, but the new field goes last and starts empty.
        doc.setMainTabId(QStringLiteral("merge"));
        QCOMPARE(doc.addField(), QStringLiteral("3"));
        QCOMPARE(doc.mainTabId(), QStringLiteral("db"));
        QCOMPARE(innerKeys(doc), QStringList({"1", "2", "4", "3"}));
        QCOMPARE(hidden->value(QStringLiteral("3")), Value::string(QString()));
        QVERIFY(!doc.undoManager().canUndo());
    }

    void renameKeepsOnlyNamesWithText_data() { addCaseRows("renamekey.json"); }
    void renameKeepsOnlyNamesWithText()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        fillDocument(doc, {"Name"}, {});
        doc.markSaved();
        const bool kept = doc.renameKey(row[1].toInt(), row[2].toString());
        QCOMPARE(publicKeys(doc), row[3].toVariant().toStringList());
        QCOMPARE(kept, publicKeys(doc).contains(row[2].toString()));
        QCOMPARE(doc.isDocumentEdited(), kept);
        QCOMPARE(doc.tagPopUpItems(TagPopUp::MergeText).front().title,
                 "<" + publicKeys(doc)[2] + ">");
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
        doc.prepareOpened();
        QStringList got;
        for (const QString& step : steps) {
            if (step == QLatin1String("+")) {
                got << doc.insertField();
                continue;
            }
            const std::vector<int> at = doc.keyIndicesForName(QLatin1Char('#') + step.mid(1));
            QVERIFY2(!at.empty(), qPrintable(step));
            doc.setSelectedKeyIndex(at.front());
            QVERIFY(doc.deleteSelectedKeyConfirmed());
        }
        QCOMPARE(got, given);
    }
};

QTEST_GUILESS_MAIN(DocumentFieldsTest)
#include "tst_document_fields.moc"
