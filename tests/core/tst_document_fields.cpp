#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;
using namespace quillory::test;

class DocumentFieldsTest : public QObject
{
    Q_OBJECT
private slots:
    void newDocumentGetsBuiltInKeysOnceWindowIsLoaded()
    {
        Document doc;
        QVERIFY(doc.keyArray().empty());
        QCOMPARE(doc.mainTabId(), QStringLiteral("db"));
        QCOMPARE(doc.secTabId(), QStringLiteral("one"));
        doc.prepareOpened();
        QCOMPARE(innerKeys(doc), QStringList({"1", "2"}));
        QCOMPARE(publicKeys(doc), QStringList({"#", "sel"}));
        QVERIFY(doc.tagPopUpItems(TagPopUp::MultiName).empty());

        // A document read from disk keeps its keys.
        Document read;
        read.keyArray() = {{"1", "#"}, {"2", "sel"}, {"5", "Name"}};
        read.prepareOpened();
        QCOMPARE(innerKeys(read), QStringList({"1", "2", "5"}));
    }

    void addingAFieldFillsEveryRecordAndNamesIt()
    {
        Document doc;
        doc.prepareOpened();
        Record hidden = addRecord(doc, 1, {});
        doc.setSearchText(QStringLiteral("zzz"));
        doc.setMainTabId(QStringLiteral("merge"));
        QCOMPARE(doc.addField(), QStringLiteral("3"));
        QCOMPARE(doc.mainTabId(), QStringLiteral("db"));
        QCOMPARE(doc.keyArray().back().publicKey, QStringLiteral("KEY1"));
        QVERIFY(hidden->contains(QStringLiteral("3")));
        QCOMPARE(hidden->value(QStringLiteral("3")).toString(), QString());
        QCOMPARE(doc.selectedKeyIndex(), 2);
        QVERIFY(doc.isDocumentEdited());
    }

    void freedInnerKeysAreReusedButTheKeyGoesLast()
    {
        Document doc;
        doc.prepareOpened();
        doc.insertField(); // 3
        doc.insertField(); // 4
        doc.setSelectedKeyIndex(2);
        QVERIFY(doc.deleteSelectedKeyConfirmed());
        QCOMPARE(doc.insertField(), QStringLiteral("3"));
        QCOMPARE(innerKeys(doc), QStringList({"1", "2", "4", "3"}));
        QCOMPARE(doc.keyArray().back().publicKey, QStringLiteral("KEY1"));
        QCOMPARE(doc.unusedInnerKeyNumber(), 5);
        // "10" must not be taken as "1" by a prefix comparison.
        Document other;
        other.keyArray() = {{"10", "x"}};
        QCOMPARE(other.unusedInnerKeyNumber(), 1);
    }

    void renameRevertsEmptyAndWhiteSpaceNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << QString() << "Name";
        QTest::newRow("spaces") << "   "
                                << "Name";
        QTest::newRow("tab") << "\t "
                             << "Name";
        QTest::newRow("leading space kept") << " City"
                                            << " City";
        QTest::newRow("plain") << "City"
                               << "City";
    }
    void renameRevertsEmptyAndWhiteSpaceNames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name"});
        doc.markSaved();
        const bool kept = doc.renameKey(2, typed);
        QCOMPARE(doc.keyArray()[2].publicKey, stored);
        QCOMPARE(kept, stored == typed);
        QCOMPARE(doc.isDocumentEdited(), kept);
        if (kept)
            QCOMPARE(doc.tagPopUpItems(TagPopUp::MergeText).front().title, "<" + typed + ">");
    }

    void builtInKeysCannotBeRenamedOrDeleted()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name"});
        QVERIFY(!doc.renameKey(0, QStringLiteral("Counter")));
        QVERIFY(!doc.renameKey(1, QStringLiteral("Checked")));
        QCOMPARE(publicKeys(doc), QStringList({"#", "sel", "Name"}));
        for (int i : {0, 1, -1}) {
            doc.setSelectedKeyIndex(i);
            QVERIFY(!doc.canDeleteSelectedKey());
            QVERIFY(!doc.deleteSelectedKey().has_value());
            QVERIFY(!doc.deleteSelectedKeyConfirmed());
        }
        QCOMPARE(doc.keyArray().size(), size_t(3));
    }

    void deletingAFieldRemovesItFromEveryRecord()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name", "City"});
        Record a = addRecord(doc, 1, {"Ann", "Rome"});
        Record b = addRecord(doc, 2, {"Bob", "Oslo"});
        doc.setSearchText(QStringLiteral("ann")); // b is hidden
        doc.setSelectedKeyIndex(3);
        const std::optional<Alert> alert = doc.deleteSelectedKey();
        QVERIFY(alert);
        QCOMPARE(alert->messageText,
                 QStringLiteral("Do you want to delete the selected DB Key 'City'?"));
        QCOMPARE(alert->informativeText,
                 QStringLiteral("WARNING.\nAll the data in the Database in the column 'City' "
                                "associated with this DB Key will be deleted\nAction will not be "
                                "undoable"));
        QCOMPARE(alert->buttons, QStringList({"Cancel", "Delete"}));
        QVERIFY(doc.deleteSelectedKeyConfirmed());
        QVERIFY(!a->contains(QStringLiteral("4")));
        QVERIFY(!b->contains(QStringLiteral("4")));
        QCOMPARE(b->value(QStringLiteral("3")).toString(), QStringLiteral("Bob"));
        QCOMPARE(publicKeys(doc), QStringList({"#", "sel", "Name"}));
        QVERIFY(!doc.undoManager().canUndo());
    }

    void duplicateNamesEachGetTheirTagItem()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name", "Name", "City"});
        const auto items = doc.tagPopUpItems(TagPopUp::MergeSeparator);
        QCOMPARE(items.size(), size_t(3));
        QCOMPARE(items[0].title, QStringLiteral("<Name>"));
        QCOMPARE(items[1].title, QStringLiteral("<Name>"));
        QCOMPARE(items[2].title, QStringLiteral("<City>"));
        QCOMPARE(items[0].action, QStringLiteral("mergeSeparatorViewTagInsert"));
        QCOMPARE(doc.keyIndicesForName(QStringLiteral("Name")), std::vector<int>({2, 3}));
        QCOMPARE(doc.keyIndicesForName(QStringLiteral("#4")), std::vector<int>({3}));
        QVERIFY(doc.keyIndicesForName(QStringLiteral("#1")).empty()); // built-ins excluded
    }
};

QTEST_GUILESS_MAIN(DocumentFieldsTest)
#include "tst_document_fields.moc"
