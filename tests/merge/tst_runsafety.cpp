#include "core/dict.h"
#include "merge/destinationwriter.h"
#include "merge/posixfilesystem.h"
#include "merge/runsignals.h"
#include "runfixture.h"

#include <cerrno>
#include <csignal>
#include <tuple>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillory;
using namespace quillory::test;

namespace {

using Strategy = PosixFileSystem::ResolveStrategy;

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

// The real file system with a racer that swaps a folder for a symbolic link to "outside" at
// one moment of the run: right before the folder of the item is resolved, or right before the
// item is written into the folder resolved already.
class SwappingFileSystem : public PosixFileSystem
{
public:
    enum class Moment { Resolve, Write };

    QString root;
    QString level; // root-relative folder that is swapped, e.g. "dest/Ann"
    Moment moment = Moment::Resolve;
    QByteArray trigger; // the folder (Resolve) or name (Write) whose use sets the swap off

    int openBeneath(const FolderHandle& top, const QByteArray& relative,
                    FolderHandle* folder) override
    {
        if (moment == Moment::Resolve && relative == trigger)
            swap();
        return PosixFileSystem::openBeneath(top, relative, folder);
    }
    FsStatus makeDirectoryAt(const FolderHandle& folder, const QByteArray& name,
                             const QString& fullPath) override
    {
        if (moment == Moment::Write && name == trigger)
            swap();
        return PosixFileSystem::makeDirectoryAt(folder, name, fullPath);
    }

private:
    void swap()
    {
        if (swapped)
            return;
        swapped = true;
        const QString at = root + "/" + level;
        if (!QDir().rename(at, at + ".old") || !QFile::link(root + "/outside", at))
            qFatal("cannot swap %s", qPrintable(at));
    }
    bool swapped = false;
};

} // namespace

// What appears, vanishes or is swapped meanwhile, interrupted runs, bounds and refusals: a run
// never overwrites, never writes outside its destination and leaves no temporary file.
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

    // A folder of the destination, or the destination itself, swapped for a symbolic link to
    // another place while a run goes on: the run never writes there, whether the swap comes
    // before the folder is resolved (the item is then rejected) or after (the item goes into
    // the folder that was resolved). Rows: tests/data/merge/races.json, with each way.
    void nothingIsWrittenOutside_data()
    {
        QTest::addColumn<int>("strategy");
        QTest::addColumn<QJsonObject>("row");
        for (const Strategy s : {Strategy::Automatic, Strategy::PerLevel})
            for (const QJsonValue& row : mergeData("races.json")["rows"].toArray())
                QTest::addRow("%s: %s", s == Strategy::Automatic ? "kernel" : "per level",
                              qPrintable(row["about"].toString()))
                    << int(s) << row.toObject();
    }

    void nothingIsWrittenOutside()
    {
        QFETCH(int, strategy);
        QFETCH(QJsonObject, row);
        ScratchFolder tmp;
        const QString dest = tmp.filePath("dest");
        QVERIFY(QDir().mkpath(dest) && QDir().mkpath(tmp.filePath("outside/Ann/sub")) &&
                QDir().mkpath(tmp.filePath("outside/sub")));
        SwappingFileSystem fs;
        fs.setResolveStrategy(Strategy(strategy));
        fs.root = tmp.path();
        QVERIFY(row["moment"] == "write" || row["moment"] == "resolve");
        fs.level = row["level"].toString();
        fs.moment = row["moment"] == "write" ? SwappingFileSystem::Moment::Write
                                             : SwappingFileSystem::Moment::Resolve;
        fs.trigger = fs.moment == SwappingFileSystem::Moment::Resolve ? "Ann/sub" : "deeper";
        Document doc;
        buildDocument(doc, mergeData("races.json").toObject());

        MergeRun run(RunSnapshot::take(doc, dest), fs);
        QString text;
        run.setLogSink([&text](const QString& piece) { text += piece; });
        QVERIFY(run.execute());
        QStringList log = row["log"].toVariant().toStringList();
        const QStringList lines = text.split('\n');
        QCOMPARE(lines.mid(3, lines.size() - 6), log.replaceInStrings("$DEST", dest));
        QJsonObject tree = row["tree"].toObject();
        for (const char* kept : {"outside/", "outside/Ann/", "outside/Ann/sub/", "outside/sub/"})
            tree.insert(kept, "");
        QCOMPARE(treeLines(tmp.path()), treeLines(tree));
    }

    // What each way beneath a destination opens: links are followed while they stay inside,
    // whether relative or absolute, and refused (EXDEV) as soon as they would leave.
    void openBeneathStaysInside_data()
    {
        QTest::addColumn<int>("strategy");
        QTest::addColumn<QByteArray>("relative");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("opened"); // the marker file found in the folder opened
        const QList<std::tuple<const char*, int, const char*>> rows{
            {"", 0, "top"},
            {"a/b", 0, "in-b"},
            {"rel-in", 0, "in-b"},      // -> a/b
            {"a/up-in", 0, "in-a"},     // -> ../a
            {"abs-in", 0, "in-b"},      // -> $ROOT/dest/a/b
            {"abs-in/../..", 0, "top"}, // ".." after a link goes back from where it led
            {"a/up-out", EXDEV, ""},    // -> ../../outside
            {"abs-out", EXDEV, ""},     // -> $ROOT/outside
            {"sibling", EXDEV, ""},     // -> $ROOT/dest2, whose name begins with dest's
            {"..", EXDEV, ""},
            {"loop", ELOOP, ""},
            {"dangling", ENOENT, ""},
            {"file", ENOTDIR, ""},
        };
        for (const Strategy s : {Strategy::Automatic, Strategy::PerLevel}) {
            for (const auto& [relative, error, opened] : rows) {
                QTest::addRow("%s: '%s'", s == Strategy::Automatic ? "kernel" : "per level",
                              relative)
                    << int(s) << QByteArray(relative) << error << QByteArray(opened);
            }
        }
    }
    void openBeneathStaysInside()
    {
        QFETCH(int, strategy);
        QFETCH(QByteArray, relative);
        ScratchFolder tmp;
        const QByteArray root = QFile::encodeName(tmp.path());
        QVERIFY(makeTree(tmp.path(), QJsonObject{{"dest/top", ""},
                                                 {"dest/a/in-a", ""},
                                                 {"dest/a/b/in-b", ""},
                                                 {"dest/file", ""},
                                                 {"dest2/", ""},
                                                 {"outside/", ""}}));
        const QList<std::pair<QByteArray, QByteArray>> links{{"rel-in", "a/b"},
                                                             {"a/up-in", "../a"},
                                                             {"abs-in", root + "/dest/a/b"},
                                                             {"a/up-out", "../../outside"},
                                                             {"abs-out", root + "/outside"},
                                                             {"sibling", root + "/dest2"},
                                                             {"loop", "loop"},
                                                             {"dangling", "nowhere"}};
        for (const auto& [at, target] : links)
            QVERIFY(::symlink(target.constData(), (root + "/dest/" + at).constData()) == 0);

        PosixFileSystem fs;
        fs.setResolveStrategy(Strategy(strategy));
        FolderHandle top;
        QCOMPARE(fs.openFolder(tmp.filePath("dest"), &top), 0);
        FolderHandle folder;
        QTEST(fs.openBeneath(top, relative, &folder), "error");
        QFETCH(QByteArray, opened);
        QVERIFY(opened.isEmpty() ? !folder.isOpen() : fs.existsAt(folder, opened));
    }
};

QTEST_GUILESS_MAIN(RunSafetyTest)
#include "tst_runsafety.moc"
