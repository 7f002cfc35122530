#include "fakefilesystem.h"
#include "merge/destinationwriter.h"
#include "runfixture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quillory;
using namespace quillory::test;

namespace {

const QString kDest = QStringLiteral("/dest");

QStringList body(const RunOutput& out)
{
    return out.pieces.mid(2, out.pieces.size() - 5);
}

} // namespace

class RunSafetyTest : public QObject
{
    Q_OBJECT
private slots:
    void fileAppearingBeforeTheRenameIsNotReplaced()
    {
        FakeFileSystem fs(kDest);
        fs.beforeRename = [&fs](const QString& to) {
            if (to.endsWith("Bob/card.txt"))
                fs.nodes.insert(FakeFileSystem::normal(to), {false, "racer"});
        };
        Document doc;
        buildWorkedExample(doc);

        const RunOutput out = runInto(doc, kDest, fs);
        QCOMPARE(body(out), QStringList({"\nCreated folder: Ann/", "\nCreated folder: Bob/",
                                         "\nCreated file: Ann/card.txt",
                                         "\nSkipped attempt to overwrite file: Bob/card.txt",
                                         "\nCreated file: list.txt"}));
        QCOMPARE(out.totals, (RunTotals{2, 2}));
        QCOMPARE(fs.nodes.value("/dest/Bob/card.txt").data, QByteArray("racer"));
        QCOMPARE(fs.nodes.value("/dest/Ann/card.txt").data, QByteArray("Hello Ann, n. 1"));
        for (const QString& path : fs.nodes.keys())
            QVERIFY2(!path.contains(".tmp"), qPrintable(path));
        QCOMPARE(fs.accessOpen, 0);
    }

    void folderAppearingBeforeItsCreationIsSkippedSilently()
    {
        FakeFileSystem fs(kDest);
        fs.beforeMakeDirectory = [&fs](const QString& path) {
            if (path.endsWith("Bob/"))
                fs.nodes.insert(FakeFileSystem::normal(path), {true, {}});
        };
        Document doc;
        buildWorkedExample(doc);

        const RunOutput out = runInto(doc, kDest, fs);
        QCOMPARE(body(out),
                 QStringList({"\nCreated folder: Ann/", "\nCreated file: Ann/card.txt",
                              "\nCreated file: Bob/card.txt", "\nCreated file: list.txt"}));
        QCOMPARE(out.totals, (RunTotals{1, 3}));
    }

    void aFailedWriteIsLoggedAndTheRunGoesOn()
    {
        FakeFileSystem fs(kDest);
        fs.failWritesIn = "/dest/Ann";
        Document doc;
        buildWorkedExample(doc);

        const RunOutput out = runInto(doc, kDest, fs);
        QCOMPARE(body(out),
                 QStringList({"\nCreated folder: Ann/", "\nCreated folder: Bob/",
                              "\nERROR: disk full for card.txt", "\nCreated file: Bob/card.txt",
                              "\nCreated file: list.txt"}));
        QCOMPARE(out.totals, (RunTotals{2, 2}));
    }

    void refusedAccessEndsTheRunSilently()
    {
        FakeFileSystem fs(kDest);
        fs.accessGranted = false;
        Document doc;
        buildWorkedExample(doc);
        const RunOutput out = runInto(doc, kDest, fs);
        QVERIFY(!out.totals);
        QVERIFY(out.pieces.isEmpty());
        QCOMPARE(fs.nodes.size(), 1);
    }

    void realFileSystemNeverReplacesAFileThatAppears_data()
    {
        QTest::addColumn<int>("strategy");
        QTest::newRow("no-replace rename") << int(PosixFileSystem::RenameStrategy::Automatic);
        QTest::newRow("link then unlink") << int(PosixFileSystem::RenameStrategy::LinkAndUnlink);
    }
    void realFileSystemNeverReplacesAFileThatAppears()
    {
        QFETCH(int, strategy);
        QTemporaryDir tmp;
        const QString p = tmp.path();
        PosixFileSystem fs;
        fs.setRenameStrategy(PosixFileSystem::RenameStrategy(strategy));
        fs.setBeforeRenameHook([](const QString&, const QString& to) {
            if (to.endsWith("/list.txt")) {
                QFile racer(to);
                QVERIFY(racer.open(QIODevice::WriteOnly));
                racer.write("racer");
            }
        });
        Document doc;
        buildWorkedExample(doc);

        const RunOutput out = runInto(doc, p, fs);
        QCOMPARE(body(out).last(), QString("\nSkipped attempt to overwrite file: list.txt"));
        QCOMPARE(out.totals, (RunTotals{2, 2}));
        QCOMPARE(readAll(p + "/list.txt"), QByteArray("racer"));
        QCOMPARE(readAll(p + "/Bob/card.txt"), QByteArray("Hello Bob, n. 2"));
        // No temporary file is left behind.
        QCOMPARE(tree(p),
                 QStringList({"Ann/", "Ann/card.txt", "Bob/", "Bob/card.txt", "list.txt"}));
    }

    void namesLeadingOutsideTheDestinationAreRejected()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path() + "/dest";
        QVERIFY(QDir().mkpath(p + "/real"));
        QVERIFY(QDir().mkpath(tmp.path() + "/outside"));
        QVERIFY(QFile::link(tmp.path() + "/outside", p + "/link"));
        QVERIFY(QFile::link(p + "/real", p + "/inner"));
        Document doc;
        setUpDocument(doc, {"Name"});
        addRecord(doc, 1, {"link"});
        addRecord(doc, 2, {"inner"});
        addRecord(doc, 3, {".."});
        addPrototype(doc, "<Name>/sub", true, true);
        addPrototype(doc, "<Name>/card.txt", false, true, "x");
        addItem(doc, "<Name>/sub/", true, true, 0);
        addItem(doc, "<Name>/card.txt", false, true, 1);

        const auto error = [&](const QString& kind, const QString& problem, const QString& r,
                               const QString& itemPath, int n) {
            return QStringList{
                "\n\n>>>>> ERROR >>>>> " + kind + " name " + problem +
                    " Please fix value for resulting path: '" + p + "/" + r + "'",
                "\n>>>>> ERROR >>>>> The error occourred with prototype file path '" + itemPath +
                    "' One per Record section merging record n. " + QString::number(n) + "\n"};
        };
        const QString outside = "can't lead outside the destination folder";
        const QString dotDot = "can't contain '..'";
        QStringList expected;
        expected << error("Folder", outside, "link/sub/", "<Name>/sub/", 1)
                 << "\nCreated folder: inner/sub/"
                 << error("Folder", dotDot, "../sub/", "<Name>/sub/", 3)
                 << error("File", outside, "link/card.txt", "<Name>/card.txt", 1)
                 << "\nCreated file: inner/card.txt"
                 << error("File", dotDot, "../card.txt", "<Name>/card.txt", 3);
        QCOMPARE(body(runInto(doc, p)), expected);
        QCOMPARE(tree(tmp.path() + "/outside"), QStringList());
        QCOMPARE(tree(tmp.path()),
                 QStringList({"dest/", "dest/inner@", "dest/link@", "dest/real/",
                              "dest/real/card.txt", "dest/real/sub/", "outside/"}));
    }

    void theDestinationItselfIsNeverCreatedFromAnEmptyName()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path() + "/dest";
        QVERIFY(QDir().mkpath(p));
        PosixFileSystem fs;
        DestinationWriter dest(fs, p);
        QVERIFY(!dest.leadsOutside("a/b.txt"));
        QVERIFY(!dest.leadsOutside("missing/b.txt"));
        // Gone (or never there): an empty name would create the destination in its parent.
        QVERIFY(QDir(p).removeRecursively());
        for (const char* empty : {"", "/", "./", "//."})
            QVERIFY2(dest.leadsOutside(empty), qPrintable(empty));
    }

    void aNulInANameCreatesNothing()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path();
        Document doc;
        setUpDocument(doc, {"Name"});
        addRecord(doc, 1, {QString("a") + QChar(0) + "b"});
        addPrototype(doc, "<Name>.txt", false, true, "x");
        addPrototype(doc, "<Name>", true, true);
        addItem(doc, "<Name>.txt", false, true, 0);
        addItem(doc, "<Name>/", true, true, 1);

        const QStringList pieces = body(runInto(doc, p));
        QCOMPARE(pieces.size(), 2);
        QVERIFY2(pieces[0].startsWith("\nERROR: Cannot write file '" + p + "/a"),
                 qPrintable(pieces[0]));
        QVERIFY(pieces[1].startsWith("\nERROR: Cannot create folder '" + p + "/a"));
        QCOMPARE(tree(p), QStringList());
    }
};

QTEST_GUILESS_MAIN(RunSafetyTest)
#include "tst_runsafety.moc"
