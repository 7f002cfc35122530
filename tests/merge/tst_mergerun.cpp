#include "runfixture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quillory;
using namespace quillory::test;

namespace {

QString created(const QString& r)
{
    return "\nCreated file: " + r;
}
QString createdFolder(const QString& r)
{
    return "\nCreated folder: " + r;
}
QString skipped(const QString& r)
{
    return "\nSkipped attempt to overwrite file: " + r;
}
QString oneRecordError(const QString& path, int n)
{
    return "\n>>>>> ERROR >>>>> The error occourred with prototype file path '" + path +
           "' One per Record section merging record n. " + QString::number(n) + "\n";
}

bool makeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class MergeRunTest : public QObject
{
    Q_OBJECT
private slots:
    void workedExampleLogsEveryPieceAndSecondRunOnlySkips()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path();
        Document doc;
        buildWorkedExample(doc);

        const RunOutput first = runInto(doc, p + "/");
        QCOMPARE(first.pieces,
                 framed(p,
                        {createdFolder("Ann/"), createdFolder("Bob/"), created("Ann/card.txt"),
                         created("Bob/card.txt"), created("list.txt")},
                        2, 3));
        QCOMPARE(first.totals, (RunTotals{2, 3}));
        QCOMPARE(readAll(p + "/Ann/card.txt"), QByteArray("Hello Ann, n. 1"));
        QCOMPARE(readAll(p + "/Bob/card.txt"), QByteArray("Hello Bob, n. 2"));
        QCOMPARE(readAll(p + "/list.txt"), QByteArray("List: Ann, Bob."));
        QCOMPARE(tree(p),
                 QStringList({"Ann/", "Ann/card.txt", "Bob/", "Bob/card.txt", "list.txt"}));

        const RunOutput second = runInto(doc, p);
        QCOMPARE(second.pieces,
                 framed(p, {skipped("Ann/card.txt"), skipped("Bob/card.txt"), skipped("list.txt")},
                        0, 0));
        QCOMPARE(tree(p).size(), 5);
    }

    void rejectedPathsNameTheRecordAndTheRunGoesOn_data()
    {
        QTest::addColumn<QString>("itemPath");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("rejected"); // relative path of the rejected record
        QTest::addColumn<QStringList>("made");
        QTest::newRow("colon in a file name")
            << "<Name>.txt" << false << "File name can't contain ':'"
            << "B:b.txt" << QStringList{"Ann.txt", "Cy.txt"};
        QTest::newRow("colon in a folder name")
            << "<Name>/" << true << "Folder name can't contain ':'"
            << "B:b/" << QStringList{"Ann/", "Cy/"};
        QTest::newRow("dot-dot in a file name")
            << "<Name>/../x.txt" << false << "File name can't contain '..'"
            << "B:b/../x.txt" << QStringList{};
    }
    void rejectedPathsNameTheRecordAndTheRunGoesOn()
    {
        QFETCH(QString, itemPath);
        QFETCH(bool, isFolder);
        QFETCH(QString, problem);
        QFETCH(QString, rejected);
        QFETCH(QStringList, made);
        QTemporaryDir tmp;
        Document doc;
        setUpDocument(doc, {"Name"});
        for (const char* name : {"Ann", "B:b", "Cy"})
            addRecord(doc, qint64(doc.dataArray().size()) + 1, {name});
        addPrototype(doc, itemPath, isFolder, true, "x");
        addItem(doc, itemPath, isFolder, true, 0);

        const RunOutput out = runInto(doc, tmp.path());
        const QString message = "\n\n>>>>> ERROR >>>>> " + problem +
                                " Please fix value for resulting path: '" + tmp.path() + "/" +
                                rejected + "'";
        QVERIFY2(out.pieces.indexOf(message) >= 0, qPrintable(out.pieces.join("|")));
        QCOMPARE(out.pieces.at(out.pieces.indexOf(message) + 1), oneRecordError(itemPath, 2));
        QCOMPARE(tree(tmp.path()), made);
        QCOMPARE(out.totals->filesCreated + out.totals->foldersCreated, qint64(made.size()));
    }

    void fileNameEndingInSlash()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path();
        Document doc;
        setUpDocument(doc, {"Name"});
        addRecord(doc, 1, {"Dir/"});
        addPrototype(doc, "<Name>", false, true, "x");
        addItem(doc, "<Name>", false, true, 0);

        QCOMPARE(runInto(doc, p).pieces.mid(2, 2),
                 QStringList({"\n\n>>>>> ERROR >>>>> File name can't end in '/' Please fix value "
                              "for resulting path: '" +
                                  p + "/Dir/'",
                              oneRecordError("<Name>", 1)}));
        QVERIFY(QDir(p).mkdir("Dir"));
        QCOMPARE(runInto(doc, p).pieces.mid(2, 2), QStringList({skipped("Dir/"), rule()}));
    }

    void destinationWithColonRejectsAllButExistingItems()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path() + "/a:b";
        QVERIFY(QDir().mkpath(p));
        QVERIFY(makeFile(p + "/old.txt", "kept"));
        Document doc;
        setUpDocument(doc, {"Name"});
        addRecord(doc, 1, {"Ann"});
        addPrototype(doc, "old.txt", false, false, "new");
        addPrototype(doc, "out", true, false);
        addItem(doc, "old.txt", false, false, 0);
        addItem(doc, "out", true, false, 1);

        QCOMPARE(runInto(doc, p).pieces,
                 framed(p,
                        {skipped("old.txt"),
                         "\n\n>>>>> ERROR >>>>> Folder name can't contain ':' Please fix value "
                         "for resulting path: '" +
                             p + "/out'",
                         "\n>>>>> ERROR >>>>> The error occourred with prototype file path 'out' "
                         "All in One section\n"},
                        0, 0));
        QCOMPARE(readAll(p + "/old.txt"), QByteArray("kept"));
    }

    void existingThingsAreLeftAloneAndFailuresAreLogged()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path();
        QVERIFY(QDir(p).mkdir("Ann"));
        QVERIFY(makeFile(p + "/Ann/card.txt", "mine"));
        QVERIFY(makeFile(p + "/Bob", "a file where a folder is expected"));
        Document doc;
        buildWorkedExample(doc);
        // A folder whose parent does not exist.
        addPrototype(doc, "a/b", true, false);
        addItem(doc, "a/b/", true, false, 3);

        QCOMPARE(
            runInto(doc, p).pieces,
            framed(p,
                   {skipped("Ann/card.txt"),
                    "\nERROR: Cannot write file '" + p + "/Bob/card.txt': Not a directory",
                    created("list.txt"),
                    "\nERROR: Cannot create folder '" + p + "/a/b/': No such file or directory"},
                   0, 1));
        QCOMPARE(readAll(p + "/Ann/card.txt"), QByteArray("mine"));
        QCOMPARE(tree(p), QStringList({"Ann/", "Ann/card.txt", "Bob", "list.txt"}));
    }

    void emptyNamesDesignateTheDestinationAndWriteNothing()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path();
        Document doc;
        setUpDocument(doc, {"Name"});
        addRecord(doc, 1, {""});
        addPrototype(doc, "<Name>", false, true, "x");
        addPrototype(doc, "", false, false, "x");
        addItem(doc, "<Name>/", true, true, 0);
        addItem(doc, "<Name>", true, true, 0);
        addItem(doc, "<Name>", false, true, 0);
        addItem(doc, "", false, false, 1);

        QCOMPARE(runInto(doc, p).pieces, framed(p, {skipped(""), skipped("")}, 0, 0));
        QCOMPARE(tree(p), QStringList());
    }

    void contentsFollowTheTemplates_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("isMulti");
        QTest::addColumn<QStringList>("templates"); // text, head, separator, foot
        QTest::addColumn<QStringList>("files");     // relative path, then its content, ...
        const QStringList abc{"A", "B", "C"};
        const QStringList listed{"H", "[<Name>]", ", ", "F"};
        QTest::newRow("three records") << abc << false << QStringList{"[<Name>]", "H", ", ", "F"}
                                       << QStringList{"f.txt", "H[A], [B], [C]F"};
        QTest::newRow("one record")
            << QStringList{"A"} << false << QStringList{"[<Name>]", "H", ", ", "F"}
            << QStringList{"f.txt", "H[A]F"};
        QTest::newRow("no records")
            << QStringList{} << false << QStringList{"[<Name>]", "H", ", ", "F"}
            << QStringList{"f.txt", "HF"};
        QTest::newRow("separator takes the next record")
            << QStringList{"A", "B"} << false << QStringList{"[<Name>]", "", " then <Name>: ", ""}
            << QStringList{"f.txt", "[A] then B: [B]"};
        QTest::newRow("head and foot keep field tags, expand dates")
            << QStringList{"A"} << false << QStringList{"", "<Name>|<YY>-<M>", "", "<D>/<#>"}
            << QStringList{"f.txt", "<Name>|2024-0517/<#>"};
        QTest::newRow("all empty gives an empty file")
            << abc << false << QStringList{"", "", "", ""} << QStringList{"f.txt", ""};
        QTest::newRow("one per record uses text only")
            << QStringList{"A", "B"} << true << QStringList{"Dear <Name>", "H", "S", "F"}
            << QStringList{"A.txt", "Dear A", "B.txt", "Dear B"};
        QTest::newRow("one per record with empty text")
            << QStringList{"A"} << true << QStringList{"", "H", "", ""} << QStringList{"A.txt", ""};
        QTest::newRow("one per record without records")
            << QStringList{} << true << QStringList{"x", "", "", ""} << QStringList{};
    }
    void contentsFollowTheTemplates()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, isMulti);
        QFETCH(QStringList, templates);
        QFETCH(QStringList, files);
        QTemporaryDir tmp;
        Document doc;
        setUpDocument(doc, {"Name"});
        for (int i = 0; i < names.size(); ++i)
            addRecord(doc, i + 1, {names[i]});
        const QString path = isMulti ? "<Name>.txt" : "f.txt";
        addPrototype(doc, path, false, isMulti, templates[0], templates[1], templates[2],
                     templates[3]);
        addItem(doc, path, false, isMulti, 0);

        const RunOutput out = runInto(doc, tmp.path());
        QCOMPARE(out.totals->filesCreated, qint64(files.size() / 2));
        QStringList expectedTree;
        for (int i = 0; i < files.size(); i += 2) {
            QCOMPARE(readAll(tmp.path() + "/" + files[i]), files[i + 1].toUtf8());
            expectedTree << files[i];
        }
        QCOMPARE(tree(tmp.path()), expectedTree);
    }

    void valuesWithPercentSignsAreLoggedAsTheyAre()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path();
        Document doc;
        setUpDocument(doc, {"Name"});
        addRecord(doc, 1, {"50% off %1 %@ %%"});
        addRecord(doc, 2, {"%1:%2 é"});
        addPrototype(doc, "<Name>.txt", false, true, "<Name>");
        addItem(doc, "<Name>.txt", false, true, 0);

        QCOMPARE(runInto(doc, p).pieces,
                 framed(p,
                        {created("50% off %1 %@ %%.txt"),
                         "\n\n>>>>> ERROR >>>>> File name can't contain ':' Please fix value for "
                         "resulting path: '" +
                             p + "/%1:%2 é.txt'",
                         oneRecordError("<Name>.txt", 2)},
                        0, 1));
        QCOMPARE(readAll(p + "/50% off %1 %@ %%.txt"), QByteArray("50% off %1 %@ %%"));
    }

    void progressCountsEveryRecordOfEveryItem()
    {
        QTemporaryDir tmp;
        Document doc;
        buildWorkedExample(doc);
        // Items whose Prototype is gone are skipped but still counted as done.
        addItem(doc, "gone.txt", false, false, 3);
        addItem(doc, "<Name>-gone/", true, true, -1);

        QList<std::pair<qint64, qint64>> calls;
        PosixFileSystem fs;
        MergeRun counted(RunSnapshot::take(doc, tmp.path()), fs);
        QStringList pieces;
        counted.setLogSink([&](const QString& s) { pieces << s; });
        counted.setProgress([&](qint64 done, qint64 total) { calls.append({done, total}); });
        QCOMPARE(counted.execute(), (RunTotals{2, 3}));

        QList<std::pair<qint64, qint64>> expected;
        for (qint64 i : {0, 1, 2, 3, 4, 5, 6, 8})
            expected.append({i, 8});
        QCOMPARE(calls, expected);
        QCOMPARE(pieces.size(), 10);
        QCOMPARE(tree(tmp.path()).size(), 5);
    }
};

QTEST_GUILESS_MAIN(MergeRunTest)
#include "tst_mergerun.moc"
