#include "core/locationbookmark.h"
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
    Record record(int index) const { return m_doc->dataArray()[size_t(index)]; }
    PrototypePtr proto(int pos) const { return m_doc->universalFilePrototypeArray()[pos]; }
    GeneratedItem item(const QString& path) const
    {
        for (const GeneratedItem& i : GeneratedItems::of(*m_doc))
            if (i.path == path)
                return i;
        qFatal("no item %s", qPrintable(path));
    }
    // The content shown for an item: that of the Prototype at its position.
    std::optional<QString> content(const GeneratedItem& i, const Record& r) const
    {
        return Preview::content(*m_doc, GeneratedItems::prototypeOf(*m_doc, i), r);
    }

private slots:
    void init()
    {
        m_doc = std::make_unique<Document>();
        buildDocument(doc(), mergeData("preview.json").toObject());
    }

    void oneRecordItemTakesTheRecord()
    {
        const GeneratedItem card = item("<Name>/card-<#>.txt");
        QCOMPARE(GeneratedItems::prototypeOf(doc(), card), proto(1));
        // Without a record the field tags give nothing.
        QCOMPARE(Preview::name(doc(), card, nullptr, false), some("/card-.txt"));
        QCOMPARE(content(card, nullptr), some("Hello , 17"));
        QCOMPARE(Preview::name(doc(), card, record(1), false), some("Bob/card-2.txt"));
        // Head and foot are not used by a One per Record file.
        QCOMPARE(content(card, record(1)), some("Hello Bob, 17"));
    }

    void allInOneItemsTakeEveryRecordInStoredOrder()
    {
        // The record given plays no part; a folder level shows its Prototype's content.
        const QString all = "H<Name>[Ann] then Bob: [Bob] then Cy: [Cy]F05";
        QCOMPARE(content(item("lists/"), record(2)), some(all));
        const GeneratedItem list = item("lists/<Name> <YY>.txt");
        QCOMPARE(Preview::name(doc(), list, record(2), false), some("lists/<Name> 2024.txt"));
        QCOMPARE(content(list, nullptr), some(all));
    }

    void fullPathPrefixesTheDestinationAndSubstitutesIt()
    {
        const GeneratedItem card = item("<Name>/card-<#>.txt");
        QCOMPARE(Preview::name(doc(), card, record(0), true),
                 some("Ann/card-1.txt")); // no destination chosen

        const QString dated = m_dir.filePath("<YY>");
        QVERIFY(QDir().mkpath(dated));
        doc().setDestination(true,
                             LocationBookmark::make(dated, LocationBookmark::Access::ReadWrite));
        QCOMPARE(Preview::name(doc(), item("lists/"), record(0), true),
                 some(m_dir.filePath("2024/lists/")));
        QCOMPARE(Preview::name(doc(), card, record(0), true),
                 some(m_dir.filePath("2024/Ann/card-1.txt")));
        QCOMPARE(Preview::name(doc(), card, record(0), false), some("Ann/card-1.txt"));
    }

    void noItemOrAStaleOne()
    {
        QVERIFY(!Preview::name(doc(), std::nullopt, record(0), true));
        QVERIFY(!Preview::content(doc(), nullptr, record(0)));
        // A stale item names no Prototype: no content under its name.
        const GeneratedItem gone{"gone.txt", false, false, 7};
        QVERIFY(!GeneratedItems::prototypeOf(doc(), gone));
        QVERIFY(!content(gone, record(0)));
        QCOMPARE(Preview::name(doc(), gone, record(0), false), some("gone.txt"));
        QCOMPARE(GeneratedItems::prototypeOf(doc(), item("lists/")), proto(2));
    }
};

QTEST_GUILESS_MAIN(PreviewTest)
#include "tst_preview.moc"
