#include "core/document.h"
#include "merge/generateditems.h"
#include "prototypes/prototypecommands.h"

#include <QtTest>

using namespace quillory;

namespace {

// Prototypes written as "path|F|M": F folder flag, M One per Record flag (1 or 0).
void setPrototypes(Document& doc, const QStringList& rows)
{
    for (const QString& row : rows) {
        const QStringList parts = row.split(QLatin1Char('|'));
        auto p = PrototypeCommands::getNewDestinationRowMulti(parts.at(2) == QLatin1String("1"));
        p->path = parts.at(0);
        p->isFolder = parts.at(1) == QLatin1String("1");
        doc.universalFilePrototypeArray().push_back(p);
    }
}

// Items written as "path|F|M|originalPos".
QStringList describe(const std::vector<GeneratedItem>& items)
{
    QStringList out;
    for (const GeneratedItem& i : items)
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(i.path)
                   .arg(int(i.isFolder))
                   .arg(int(i.isMulti))
                   .arg(i.originalPos);
    return out;
}

} // namespace

class GeneratedItemsTest : public QObject
{
    Q_OBJECT
private slots:
    void levelPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("levels");
        QTest::newRow("three levels") << "a/b/c.txt" << QStringList{"a/", "a/b/", "a/b/c.txt"};
        QTest::newRow("leading slash") << "/a/b" << QStringList{"a/", "a/b"};
        QTest::newRow("final slash") << "a/b/" << QStringList{"a/", "a/b/"};
        QTest::newRow("one level") << "report.txt" << QStringList{"report.txt"};
        QTest::newRow("slash only") << "/" << QStringList{};
        QTest::newRow("slashes only") << "///" << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("double slash") << "a//b" << QStringList{"a/", "a/b"};
        QTest::newRow("slashes everywhere") << "//a//b//" << QStringList{"a/", "a/b/"};
        QTest::newRow("spaces kept") << " a/b.txt " << QStringList{" a/", " a/b.txt "};
        QTest::newRow("tags kept")
            << "<Name>/<YY>.txt" << QStringList{"<Name>/", "<Name>/<YY>.txt"};
    }
    void levelPaths()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, levels);
        QCOMPARE(GeneratedItems::levelPaths(path, false), levels);
        QCOMPARE(GeneratedItems::levelPaths(path, true), levels);
    }

    void rebuild_data()
    {
        QTest::addColumn<QStringList>("prototypes");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("two One per Record files share their folder")
            << QStringList{"<Name>/a.txt|0|1", "<Name>/b.txt|0|1"}
            << QStringList{"<Name>/|1|1|0", "<Name>/a.txt|0|1|0", "<Name>/b.txt|0|1|1"};
        QTest::newRow("One per Record folder level dropped after an All in One one")
            << QStringList{"out/list.txt|0|0", "out/<Name>.txt|0|1"}
            << QStringList{"out/|1|0|0", "out/list.txt|0|0|0", "out/<Name>.txt|0|1|1"};
        QTest::newRow("All in One levels are not checked against earlier items")
            << QStringList{"out/a.txt|0|1", "out/b.txt|0|0"}
            << QStringList{"out/|1|1|0", "out/a.txt|0|1|0", "out/|1|0|1", "out/b.txt|0|0|1"};
        QTest::newRow("All in One duplicates kept")
            << QStringList{"list.txt|0|0", "list.txt|0|0"}
            << QStringList{"list.txt|0|0|0", "list.txt|0|0|1"};
        QTest::newRow("One per Record duplicates dropped")
            << QStringList{"<Name>.txt|0|1", "<Name>.txt|0|1"} << QStringList{"<Name>.txt|0|1|0"};
        QTest::newRow("a slash Prototype yields nothing, positions stay")
            << QStringList{"/|0|0", "/|1|1", "x/y.txt|0|1"}
            << QStringList{"x/|1|1|2", "x/y.txt|0|1|2"};
        QTest::newRow("empty and blank paths yield nothing")
            << QStringList{"|0|0", "   |1|1", " / |0|1", "z.txt|0|0"} << QStringList{"z.txt|0|0|3"};
        QTest::newRow("a blank first level yields no item")
            << QStringList{" /b.txt|0|1"} << QStringList{"/b.txt|0|1|0"};
        QTest::newRow("spaces around are trimmed")
            << QStringList{" a/b.txt |0|0"} << QStringList{"a/|1|0|0", "a/b.txt|0|0|0"};
        QTest::newRow("All in One folder keeps no final slash")
            << QStringList{"out|1|0"} << QStringList{"out|1|0|0"};
        QTest::newRow("All in One folder written with a final slash")
            << QStringList{"out/|1|0"} << QStringList{"out/|1|0|0"};
        QTest::newRow("One per Record folder gets a final slash")
            << QStringList{"<Name>|1|1", "<Name>/card.txt|0|1"}
            << QStringList{"<Name>/|1|1|0", "<Name>/card.txt|0|1|1"};
        QTest::newRow("One per Record file keeps its name")
            << QStringList{"a/<Name>|0|1"} << QStringList{"a/|1|1|0", "a/<Name>|0|1|0"};
        QTest::newRow("same name as file and folder: first one wins")
            << QStringList{"a|0|1", "a/b.txt|0|1"}
            << QStringList{"a|0|1|0", "a/|1|1|1", "a/b.txt|0|1|1"};
    }
    void rebuild()
    {
        QFETCH(QStringList, prototypes);
        QFETCH(QStringList, items);
        Document doc;
        setPrototypes(doc, prototypes);
        GeneratedItems::rebuild(doc);
        QCOMPARE(describe(doc.generatedItems()), items);
        // A second rebuild starts afresh.
        GeneratedItems::rebuild(doc);
        QCOMPARE(describe(doc.generatedItems()), items);
    }

    void addIfNotAlreadyComparesPathsExactly()
    {
        Document doc;
        GeneratedItems::addItemIfNew(doc, {"a/", true, false, 0});
        GeneratedItems::addItemIfNew(doc, {"a/", true, true, 4});
        GeneratedItems::addItemIfNew(doc, {"a", true, true, 4});
        GeneratedItems::addItemIfNew(doc, {"A/", true, true, 4});
        QCOMPARE(describe(doc.generatedItems()),
                 (QStringList{"a/|1|0|0", "a|1|1|4", "A/|1|1|4"}));
    }

    void displayOrderPutsAllInOneFirstAndLeavesTheListAlone()
    {
        Document doc;
        setPrototypes(doc,
                      {"<Name>/a.txt|0|1", "out/list.txt|0|0", "<Name>/b.txt|0|1", "sum.txt|0|0"});
        GeneratedItems::rebuild(doc);
        const QStringList runOrder = {"<Name>/|1|1|0",      "<Name>/a.txt|0|1|0", "out/|1|0|1",
                                      "out/list.txt|0|0|1", "<Name>/b.txt|0|1|2", "sum.txt|0|0|3"};
        QCOMPARE(describe(doc.generatedItems()), runOrder);
        QCOMPARE(describe(GeneratedItems::arrangedItems(doc.generatedItems())),
                 (QStringList{"out/|1|0|1", "out/list.txt|0|0|1", "sum.txt|0|0|3", "<Name>/|1|1|0",
                              "<Name>/a.txt|0|1|0", "<Name>/b.txt|0|1|2"}));
        QCOMPARE(describe(doc.generatedItems()), runOrder);
    }

    void folderColumnShowsACheckSign()
    {
        QCOMPARE(GeneratedItems::folderCheckText({"a/", true, true, 0}),
                 QStringView(u"\u221A").toString());
        QCOMPARE(GeneratedItems::folderCheckText({"a.txt", false, true, 0}), QString(""));
    }

    void prototypeOfGuardsStalePositions()
    {
        Document doc;
        setPrototypes(doc, {"a.txt|0|0", "b.txt|0|1"});
        QCOMPARE(GeneratedItems::prototypeOf(doc, {"b.txt", false, true, 1}),
                 doc.universalFilePrototypeArray()[1]);
        QVERIFY(!GeneratedItems::prototypeOf(doc, {"c.txt", false, true, 2}));
        QVERIFY(!GeneratedItems::prototypeOf(doc, {"c.txt", false, true, -1}));
    }

    void rebuildDropsSelectionsOfItemsNoLongerListed()
    {
        Document doc;
        setPrototypes(doc, {"a/x.txt|0|0", "b.txt|0|1", "c.txt|0|0"});
        GeneratedItems::rebuild(doc);
        const GeneratedItem kept = doc.generatedItems()[1];
        const GeneratedItem moved = doc.generatedItems()[3];
        QCOMPARE(moved.path, QStringLiteral("c.txt"));
        doc.setMergeSelectedItem(kept);
        doc.setPreviewSelectedItem(moved);
        doc.mergeNameOfFileExample = kept.path;
        doc.previewNameOfFile = moved.path;

        // Without 'b.txt', 'c.txt' is unfolded from position 1: the old item is gone.
        doc.universalFilePrototypeArray().erase(doc.universalFilePrototypeArray().begin() + 1);
        GeneratedItems::rebuild(doc);
        QCOMPARE(doc.mergeSelectedItem(), std::optional<GeneratedItem>(kept));
        QCOMPARE(doc.mergeNameOfFileExample, std::optional<QString>(kept.path));
        QVERIFY(!doc.previewSelectedItem());
        QVERIFY(!doc.previewNameOfFile);
    }
};

QTEST_GUILESS_MAIN(GeneratedItemsTest)
#include "tst_generateditems.moc"
