#include "core/dict.h"
#include "merge/destinationwriter.h"
#include "merge/posixfilesystem.h"
#include "merge/runsignals.h"
#include "runfixture.h"

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillory;
using namespace quillory::test;

namespace {

// The real file system, where access can be refused and a folder can appear right before the
// run creates it.
class RacingFileSystem : public PosixFileSystem
{
public:
    bool refuseAccess = false;
    bool refuseTemporaryFiles = false; // as a read-only folder would
    int existenceChecks = 0;
    std::function<void(const QString&)> beforeMakeDirectory;

    bool existsAt(const FolderHandle& folder, const QByteArray& name) override
    {
        ++existenceChecks;
        return PosixFileSystem::existsAt(folder, name);
    }
    FsStatus writeTemporaryFileAt(const FolderHandle& folder, const QByteArray& name,
                                  const QByteArray& contents, QByteArray* tempName,
                                  const QString& path) override
    {
        if (refuseTemporaryFiles)
            return FsStatus::failed(
                describeError(QStringLiteral("Cannot write file"), path, EACCES));
        return PosixFileSystem::writeTemporaryFileAt(folder, name, contents, tempName, path);
    }

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

    // Rows: how a run in a child process is ended, how the child must end, what stays. A
    // signal while a file is written under its temporary name removes that file; a file size
    // limit fails the writes with a message (the child exits with the error count).
    void anInterruptedRunLeavesNoTemporaryFile_data()
    {
        QTest::addColumn<int>("signal"); // raised before the first rename; 0: none
        QTest::addColumn<qint64>("sizeLimit");
        QTest::addColumn<QString>("ended"); // "signal N" or "exit N"
        QTest::addColumn<QStringList>("tree");
        const QStringList folders{"Ann/: ", "Bob/: "};
        QTest::newRow("SIGTERM") << int(SIGTERM) << qint64(-1) << "signal 15" << folders;
        QTest::newRow("SIGINT") << int(SIGINT) << qint64(-1) << "signal 2" << folders;
        QTest::newRow("file size limit") << 0 << qint64(4) << "exit 3" << folders;
    }
    void anInterruptedRunLeavesNoTemporaryFile()
    {
        QFETCH(int, signal);
        QFETCH(qint64, sizeLimit);
        ScratchFolder tmp;
        Document doc;
        buildWorkedExample(doc);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            RunSignals::install();
            if (sizeLimit >= 0) {
                const rlimit limit{rlim_t(sizeLimit), rlim_t(sizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            PosixFileSystem fs;
            if (signal != 0)
                fs.setBeforeRenameHook(
                    [signal](const QString&, const QString&) { ::raise(signal); });
            QStringList log;
            const Result<RunTotals> totals = runInto(doc, tmp.path(), fs, log);
            ::_exit(totals ? int(totals->errors) : 100);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        const QString ended = WIFSIGNALED(status)
                                  ? QStringLiteral("signal %1").arg(WTERMSIG(status))
                                  : QStringLiteral("exit %1").arg(WEXITSTATUS(status));
        QTEST(ended, "ended");
        QTEST(treeLines(tmp.path()), "tree");
    }

    // A record holding 30 dictionaries, each holding the one below twice: 2^30 paths, held in
    // 31 objects. The run takes its values as text and never walks the container's paths.
    void aSharedContainerIsNotExpandedPerPath()
    {
        DictPtr shared = Dict::make();
        shared->entries.emplace_back(QStringLiteral("leaf"), Value::string(QStringLiteral("x")));
        for (int level = 0; level < 30; ++level) {
            DictPtr above = Dict::make();
            above->entries.emplace_back(QStringLiteral("a"), Value::dict(shared));
            above->entries.emplace_back(QStringLiteral("b"), Value::dict(shared));
            shared = above;
        }
        Document doc;
        buildDocument(doc, QJsonDocument::fromJson(R"({"fields": ["Name", "Extra"],
            "records": [[1, "r1", "y"], [2, "r2", "z"]],
            "prototypes": [{"path": "<Name>.txt", "multi": true, "text": "<Name>:<Extra>"}]})")
                               .object());
        doc.setRecordValue(doc.dataArray()[0], doc.keyArray().back().innerKey, Value::dict(shared));
        ScratchFolder tmp;
        PosixFileSystem fs;
        QStringList log;
        QVERIFY(runInto(doc, tmp.path(), fs, log));
        QCOMPARE(treeLines(tmp.path()), QStringList({"r1.txt: r1:", "r2.txt: r2:z"}));
    }

    // The creating calls tell what exists, so an ordinary run asks nothing beforehand; where a
    // file cannot be written at all, an existing one is still a skip, a missing one an error.
    void theCreatingCallIsTheExistenceCheck()
    {
        ScratchFolder tmp;
        RacingFileSystem fs;
        Document doc;
        buildWorkedExample(doc);
        QStringList first;
        QCOMPARE(totalsList(*runInto(doc, tmp.path(), fs, first)), (QList<qint64>{2, 3, 0, 0}));
        QCOMPARE(fs.existenceChecks, 0);

        QStringList again;
        QCOMPARE(totalsList(*runInto(doc, tmp.path(), fs, again)), (QList<qint64>{0, 0, 3, 0}));
        fs.refuseTemporaryFiles = true;
        QStringList refused;
        QCOMPARE(totalsList(*runInto(doc, tmp.path(), fs, refused)), (QList<qint64>{0, 0, 3, 0}));
        QCOMPARE(refused, again);

        QVERIFY(QFile::remove(tmp.filePath("Bob/card.txt")));
        refused.clear();
        QCOMPARE(totalsList(*runInto(doc, tmp.path(), fs, refused)), (QList<qint64>{0, 0, 2, 1}));
        QVERIFY(refused.contains("ERROR: Cannot write file '" + tmp.filePath("Bob/card.txt") +
                                 "': Permission denied"));
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
