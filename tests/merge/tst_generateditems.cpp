#include "runfixture.h"

using namespace quillory;
using namespace quillory::test;

namespace {

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

class GeneratedItemsTest : public QObject
{
    Q_OBJECT
private slots:
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
    void of_data() { addRows("rebuild"); }
    void of()
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
};

QTEST_GUILESS_MAIN(GeneratedItemsTest)
#include "tst_generateditems.moc"
