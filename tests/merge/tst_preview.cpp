#include "core/locationbookmark.h"
#include "merge/preview.h"
#include "prototypes/mergecontent.h"
#include "runfixture.h"

using namespace quillory;
using namespace quillory::test;

namespace {

std::optional<QString> some(const QString& s)
{
    return s;
}

// Prototypes written as "path|F|M": F the folder flag, M the One per Record flag (1 or 0).
void addPrototypes(Document& doc, const QStringList& rows)
{
    for (const QString& row : rows) {
        const QStringList parts = row.split('|');
        const PrototypePtr p =
            newPrototype(parts[2] == "1" ? PrototypeSide::OnePerRecord : PrototypeSide::AllInOne);
        p->path = parts[0];
        p->isFolder = parts[1] == "1";
        doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), p);
    }
}

// Items written as "path|F|M|originalPos".
QStringList describe(const std::vector<GeneratedItem>& items)
{
    QStringList out;
    for (const GeneratedItem& i : items)
        out << QString("%1|%2|%3|%4")
                   .arg(i.path)
                   .arg(int(i.isFolder))
                   .arg(int(i.isMulti))
                   .arg(i.originalPos);
    return out;
}

void addRows(const QString& table)
{
    QTest::addColumn<QJsonArray>("row");
    for (const QJsonValue& row : mergeData("generateditems.json")[table].toArray())
        QTest::newRow(qPrintable(row[0].toString())) << row.toArray();
}

} // namespace

// The items the Prototypes unfold into, and the preview of an item for a record. The preview's
// document: Ann (1), Bob (2) and Cy (3) stored in that order; a One per Record folder <Name>
// and file <Name>/card-<#>.txt, and an All in One file lists/<Name> <YY>.txt.
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

    // Rows [name, path, levels].
    void levelPaths_data() { addRows("levelPaths"); }
    void levelPaths()
    {
        QFETCH(QJsonArray, row);
        const QStringList levels = row[2].toVariant().toStringList();
        QCOMPARE(GeneratedItems::levelPaths(row[1].toString(), false), levels);
        QCOMPARE(GeneratedItems::levelPaths(row[1].toString(), true), levels);
    }

    // Rows [name, Prototypes, items].
    void itemsOfThePrototypes_data() { addRows("rebuild"); }
    void itemsOfThePrototypes()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        addPrototypes(doc, row[1].toVariant().toStringList());
        QCOMPARE(describe(GeneratedItems::of(doc)), row[2].toVariant().toStringList());
    }

    void tablesShowAllInOneFirstWhileTheRunKeepsListOrder()
    {
        Document doc;
        addPrototypes(doc, {"<Name>/a.txt|0|1", "out/list.txt|0|0", "<Name>/b.txt|0|1", "s|0|0"});
        const std::vector<GeneratedItem> items = GeneratedItems::of(doc);
        const QStringList runOrder = {"<Name>/|1|1|0",      "<Name>/a.txt|0|1|0", "out/|1|0|1",
                                      "out/list.txt|0|0|1", "<Name>/b.txt|0|1|2", "s|0|0|3"};
        QCOMPARE(describe(items), runOrder);
        QCOMPARE(describe(GeneratedItems::arrangedItems(items)),
                 (QStringList{"out/|1|0|1", "out/list.txt|0|0|1", "s|0|0|3", "<Name>/|1|1|0",
                              "<Name>/a.txt|0|1|0", "<Name>/b.txt|0|1|2"}));
        QCOMPARE(describe(items), runOrder);
    }

    // A selection kept across a change of the Prototypes must still name an item of the new
    // list, and the Prototype of an item is found by its position.
    void selectionsStayOnlyWhileTheirItemIsListed()
    {
        Document doc;
        addPrototypes(doc, {"a/x.txt|0|0", "b.txt|0|1", "c.txt|0|0"});
        const std::vector<GeneratedItem> before = GeneratedItems::of(doc);
        const GeneratedItem kept = before[1];
        const GeneratedItem moved = before[3];
        QVERIFY(GeneratedItems::contains(before, moved));
        QCOMPARE(GeneratedItems::prototypeOf(doc, moved), doc.universalFilePrototypeArray()[2]);

        // Without 'b.txt', 'c.txt' is unfolded from position 1: the old item is gone.
        doc.removePrototype(1);
        const std::vector<GeneratedItem> after = GeneratedItems::of(doc);
        QVERIFY(GeneratedItems::contains(after, kept));
        QVERIFY(!GeneratedItems::contains(after, moved));
        QVERIFY(!GeneratedItems::contains(after, std::nullopt));
        QCOMPARE(GeneratedItems::prototypeOf(doc, kept), doc.universalFilePrototypeArray()[0]);
        QCOMPARE(GeneratedItems::prototypeOf(doc, moved), PrototypePtr()); // a stale position
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

    // Record 1 is a bomb (see runs/too-large-texts.json): the preview says its text is too
    // large instead of showing it empty.
    void thePreviewSaysTheTextIsTooLarge()
    {
        Document bomb;
        buildDocument(bomb, mergeData("runs/too-large-texts.json").toObject());
        const PrototypePtr multiFile = bomb.universalFilePrototypeArray()[1];
        QCOMPARE(Preview::content(bomb, multiFile, bomb.dataArray()[0]),
                 MergeContent::tooLargeMessage());
        QCOMPARE(Preview::content(bomb, multiFile, bomb.dataArray()[1]), QStringLiteral("okok"));
    }
};

QTEST_GUILESS_MAIN(PreviewTest)
#include "tst_preview.moc"
