#include "merge/destinationwriter.h"
#include "merge/posixfilesystem.h"
#include "runfixture.h"

using namespace quillory;
using namespace quillory::test;

namespace {

// The real file system, where access can be refused and a folder can appear right before the
// run creates it.
class RacingFileSystem : public PosixFileSystem
{
public:
    bool refuseAccess = false;
    std::function<void(const QString&)> beforeMakeDirectory;

    bool startAccessing(const QString& path) override
    {
        return !refuseAccess && PosixFileSystem::startAccessing(path);
    }
    FsStatus makeDirectoryAt(const FolderHandle& folder, const QByteArray& name,
                             const QString& path) override
    {
        if (beforeMakeDirectory)
            beforeMakeDirectory(path);
        return PosixFileSystem::makeDirectoryAt(folder, name, path);
    }
};

// Runs doc into folder; each log piece goes to log without its leading line break.
Result<RunTotals> runInto(const Document& doc, const QString& folder, FileSystem& fs,
                          QStringList& log)
{
    MergeRun run(RunSnapshot::take(doc, folder), fs);
    run.setLogSink([&log](const QString& piece) { log << piece.mid(1); });
    return run.execute();
}

} // namespace

// The worked example run while something else creates what the run is about to create.
class RunSafetyTest : public QObject
{
    Q_OBJECT
private slots:
    void whatAppearsMeanwhileIsKept_data()
    {
        QTest::addColumn<int>("strategy"); // -1: a folder appears, else a file, renamed so
        QTest::addColumn<QList<qint64>>("totals");
        QTest::addColumn<QString>("list"); // list.txt afterwards
        QTest::newRow("a file, no-replace rename")
            << int(PosixFileSystem::RenameStrategy::Automatic) << QList<qint64>{2, 2, 1, 0}
            << "racer";
        QTest::newRow("a file, link then unlink")
            << int(PosixFileSystem::RenameStrategy::LinkAndUnlink) << QList<qint64>{2, 2, 1, 0}
            << "racer";
        QTest::newRow("a folder is skipped silently")
            << -1 << QList<qint64>{1, 3, 0, 0} << "List: Ann, Bob.";
    }
    void whatAppearsMeanwhileIsKept()
    {
        QFETCH(int, strategy);
        ScratchFolder tmp;
        RacingFileSystem fs;
        if (strategy < 0) {
            fs.beforeMakeDirectory = [](const QString& path) {
                if (path.endsWith("/Bob/"))
                    QDir().mkpath(path);
            };
        } else {
            fs.setRenameStrategy(PosixFileSystem::RenameStrategy(strategy));
            fs.setBeforeRenameHook([](const QString&, const QString& to) {
                if (to.endsWith("/list.txt"))
                    writeFile(to, "racer");
            });
        }
        Document doc;
        buildWorkedExample(doc);

        QStringList log;
        const Result<RunTotals> totals = runInto(doc, tmp.path(), fs, log);
        QTEST(totalsList(*totals), "totals");
        // Also: no temporary file is left behind.
        QFETCH(QString, list);
        QCOMPARE(treeLines(tmp.path()),
                 QStringList({"Ann/: ", "Ann/card.txt: Hello Ann, n. 1",
                              "Bob/: ", "Bob/card.txt: Hello Bob, n. 2", "list.txt: " + list}));
    }

    void refusedAccessEndsTheRunSilently()
    {
        ScratchFolder tmp;
        RacingFileSystem fs;
        fs.refuseAccess = true;
        Document doc;
        buildWorkedExample(doc);
        QStringList log;
        QVERIFY(!runInto(doc, tmp.path(), fs, log));
        QVERIFY(log.isEmpty());
        QCOMPARE(treeLines(tmp.path()), QStringList());
    }

    void progressReachesTheTotalPastStaleItems()
    {
        ScratchFolder tmp;
        Document doc;
        buildWorkedExample(doc);
        RunSnapshot snapshot = RunSnapshot::take(doc, tmp.path());
        // Items whose Prototype positions name nothing (the Prototypes changed meanwhile).
        snapshot.items.push_back({"gone.txt", false, false, 3});
        snapshot.items.push_back({"<Name>-gone/", true, true, -1});
        PosixFileSystem fs;
        MergeRun run(std::move(snapshot), fs);
        qint64 last = -1;
        bool steady = true;
        run.setProgress([&](qint64 done, qint64 total) {
            steady = steady && done >= last && total == 8; // 2 + 2 + 1 + 1 + 2
            last = done;
        });
        QCOMPARE(totalsList(*run.execute()), (QList<qint64>{2, 3, 0, 0}));
        QVERIFY(steady);
        QCOMPARE(last, 8);
    }

    void anEmptyNameNeverRecreatesAVanishedDestination()
    {
        ScratchFolder tmp;
        const QString p = tmp.filePath("dest");
        QVERIFY(QDir().mkpath(p));
        PosixFileSystem fs;
        DestinationWriter dest(fs, p);
        QVERIFY(!dest.leadsOutside("a/b.txt"));
        QVERIFY(QDir(p).removeRecursively());
        // Making P again would create something in P's parent.
        for (const char* empty : {"", "/", "./", "//."})
            QVERIFY2(dest.leadsOutside(empty), qPrintable(empty));
        QVERIFY(!dest.leadsOutside("missing/b.txt"));
    }
};

QTEST_GUILESS_MAIN(RunSafetyTest)
#include "tst_runsafety.moc"
