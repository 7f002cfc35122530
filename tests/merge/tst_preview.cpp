#include "core/locationbookmark.h"
#include "merge/mergetable.h"
#include "merge/preview.h"
#include "runfixture.h"

using namespace quillory;
using namespace quillory::test;

namespace {

std::optional<QString> some(const QString& s)
{
    return s;
}

} // namespace

// Ann (1), Bob (2) and Cy (3) stored in that order; a One per Record folder <Name> and file
// <Name>/card-<#>.txt, and an All in One file lists/<Name> <YY>.txt.
class PreviewTest : public QObject
{
    Q_OBJECT
private:
    ScratchFolder m_dir;
    std::unique_ptr<Document> m_doc;

    Document& doc() { return *m_doc; }
    PrototypePtr proto(int pos) const { return m_doc->universalFilePrototypeArray()[pos]; }
    GeneratedItem item(const QString& path) const
    {
        for (const GeneratedItem& i : m_doc->generatedItems())
            if (i.path == path)
                return i;
        qFatal("no item %s", qPrintable(path));
    }
    void selectRecord(int index)
    {
        Preview::previewDataTableSelectionDidChange(doc(), doc().dataArray()[index]);
    }
    void selectItem(const std::optional<GeneratedItem>& i)
    {
        Preview::previewTableSelectionDidChange(doc(), i);
    }

private slots:
    void init()
    {
        m_doc = std::make_unique<Document>();
        buildDocument(doc(), mergeData("preview.json").toObject());
    }

    void oneRecordItemTakesTheSelectedRecord()
    {
        // Without a record the field tags give nothing.
        selectItem(item("<Name>/card-<#>.txt"));
        QCOMPARE(doc().previewSelectedPrototype(), proto(1));
        QCOMPARE(doc().previewNameOfFile, some("/card-.txt"));
        QCOMPARE(doc().previewContentOfFile, some("Hello , 17"));
        selectRecord(1);
        QCOMPARE(doc().previewNameOfFile, some("Bob/card-2.txt"));
        // Head and foot are not used by a One per Record file.
        QCOMPARE(doc().previewContentOfFile, some("Hello Bob, 17"));
    }

    void allInOneItemsTakeEveryRecordInStoredOrder()
    {
        // The tables' sort and selection play no part; a folder level shows its Prototype's.
        doc().setAllDataSort(RecordSort{doc().keyArray()[kFirstUserKeyIndex].innerKey, false});
        selectRecord(2);
        selectItem(item("lists/"));
        const QString all = "H<Name>[Ann] then Bob: [Bob] then Cy: [Cy]F05";
        QCOMPARE(doc().previewContentOfFile, some(all));
        selectItem(item("lists/<Name> <YY>.txt"));
        QCOMPARE(doc().previewNameOfFile, some("lists/<Name> 2024.txt"));
        QCOMPARE(doc().previewContentOfFile, some(all));
    }

    void fullPathPrefixesTheDestinationAndSubstitutesIt()
    {
        selectRecord(0);
        selectItem(item("<Name>/card-<#>.txt"));
        Preview::previewNameOfFileUsesFullPathSwitch(doc());
        QCOMPARE(doc().previewNameOfFile, some("Ann/card-1.txt")); // no destination chosen

        const QString dated = m_dir.filePath("<YY>");
        QVERIFY(QDir().mkpath(dated));
        doc().setSelectedDestinationBookmark(
            LocationBookmark::make(dated, LocationBookmark::Access::ReadWrite));
        selectItem(item("lists/"));
        QCOMPARE(doc().previewNameOfFile, some(m_dir.filePath("2024/lists/")));
    }

    void noItemOrAStaleOne()
    {
        selectItem(item("<Name>/card-<#>.txt"));
        // No item: no name, the Prototype and its content stay.
        selectItem(std::nullopt);
        QVERIFY(!doc().previewNameOfFile);
        QCOMPARE(doc().previewSelectedPrototype(), proto(1));
        QCOMPARE(doc().previewContentOfFile, some("Hello , 17"));

        // A stale item names no Prototype: no content under its name.
        selectItem(GeneratedItem{"gone.txt", false, false, 7});
        QVERIFY(!doc().previewSelectedPrototype());
        QVERIFY(!doc().previewContentOfFile);
        QCOMPARE(doc().previewNameOfFile, some("gone.txt"));
    }

    void mergeTableSelectsThePrototypeAtTheItemsPosition()
    {
        MergeTable::mergeTableSelectionDidChange(doc(), item("lists/"));
        QCOMPARE(doc().mergeSelectedPrototype(), proto(2));
        QCOMPARE(doc().mergeNameOfFileExample, some("lists/"));
        // No item: the Prototype stays, the example is emptied.
        MergeTable::mergeTableSelectionDidChange(doc(), std::nullopt);
        QCOMPARE(doc().mergeSelectedPrototype(), proto(2));
        QVERIFY(!doc().mergeNameOfFileExample);
    }
};

QTEST_GUILESS_MAIN(PreviewTest)
#include "tst_preview.moc"
