#include "commands/runcommands.h"
#include "commands/undostack.h"
#include "core/locationbookmark.h"
#include "merge/posixfilesystem.h"
#include "merge/runcommands.h"
#include "merge/runlog.h"
#include "runfixture.h"

#include <QSemaphore>

#include <atomic>
#include <thread>

using namespace quillory;
using namespace quillory::test;

namespace {

struct Outcome
{
    QString log;
    QList<qint64> totals;
    QStringList tree;
};

// Runs the cards with batch records expanded ahead; cancelAfter > 0 asks to stop once that
// many pieces are logged.
Outcome runCards(size_t batch, int cancelAfter = 0)
{
    ScratchFolder dest;
    if (!writeFile(dest.filePath("r9/c.txt"), "there"))
        qFatal("cannot prepare the destination");
    Document doc;
    // r5 renamed to a name the file check rejects; r9's card is there already.
    buildCards(doc, 20, R"([{"path": "<Name>", "folder": true, "multi": true},
                            {"path": "<Name>/c.txt", "multi": true, "text": "card <#>"},
                            {"path": "list.txt", "text": "<Name>"}])",
               {{5, "r:5"}});
    PosixFileSystem fs;
    MergeRun run(RunSnapshot::take(doc, dest.path()), fs);
    run.setExpansionAhead(batch);
    Outcome out;
    int pieces = 0;
    run.setLogSink([&](const QString& piece) {
        out.log += QString(piece).replace(dest.path(), "$DEST");
        if (++pieces == cancelAfter)
            run.requestCancel();
    });
    out.totals = totalsList(*run.execute());
    out.tree = treeLines(dest.path());
    return out;
}

} // namespace

// Runs the cases of tests/data/merge/runs/ (a file holds one case or an array of them). Each
// case's document is run with the real file system on a scratch folder that holds its
// "before" tree (the destination is "dest" unless named); each entry of "runs" gives the log
// of one run ("$DEST" for the destination) and its totals [folders, files, skipped, errors],
// which the kinds of its lines agree with;
// afterwards the whole scratch folder holds exactly "after", so nothing went elsewhere.
class MergeRunTest : public QObject
{
    Q_OBJECT
private slots:
    void cases_data()
    {
        QTest::addColumn<QJsonObject>("c");
        const QStringList files = QDir(testDataPath("merge/runs")).entryList({"*.json"});
        QVERIFY(!files.isEmpty());
        for (const QString& file : files) {
            const QJsonValue v = mergeData("runs/" + file);
            if (v.isObject())
                QTest::newRow(qPrintable(file)) << v.toObject();
            for (const QJsonValue& c : v.toArray())
                QTest::newRow(qPrintable(file + ": " + c["about"].toString())) << c.toObject();
        }
    }
    void cases()
    {
        QFETCH(QJsonObject, c);
        ScratchFolder root;
        const QString dest = root.filePath(c["dest"].toString("dest"));
        QVERIFY(makeTree(root.path(), c["before"].toObject()) && QDir().mkpath(dest));
        Document doc;
        buildDocument(doc, c);
        doc.setDestination(true, LocationBookmark::make(dest, LocationBookmark::Access::ReadWrite));
        PosixFileSystem fs;

        const QJsonArray runs =
            c["runs"].isArray() ? c["runs"].toArray() : QJsonArray{QJsonObject()};
        for (const QJsonValue& expected : runs) {
            QString log;
            const Result<RunTotals> totals =
                RunCommands::run(doc, fs, [&log](const QString& piece) { log += piece; });
            QVERIFY2(totals, qPrintable(totals.message()));
            if (expected["log"].isArray()) {
                QStringList lines = expected["log"].toVariant().toStringList();
                QCOMPARE(log.split('\n'), lines.replaceInStrings("$DEST", dest));
            }
            if (expected["totals"].isArray()) {
                const QList<qint64> t = totalsList(*totals);
                QCOMPARE(expected["totals"].toArray(), (QJsonArray{t[0], t[1], t[2], t[3]}));
            }
            // The window tells the lines apart by their words: one line a creation, one a skip.
            const QStringList lines = log.split('\n');
            QMap<RunLog::LineKind, qint64> kinds;
            for (qsizetype i = 0; i < lines.size(); ++i)
                ++kinds[RunLog::lineKind(lines[i], i + 1 < lines.size() ? lines[i + 1] : "")];
            QCOMPARE(kinds[RunLog::LineKind::Created],
                     totals->foldersCreated + totals->filesCreated);
            QCOMPARE(kinds[RunLog::LineKind::Skipped], totals->filesSkipped);
            QCOMPARE(kinds[RunLog::LineKind::Error] > 0, totals->errors > 0);
        }
        QCOMPARE(treeLines(root.path()), treeLines(c["after"].toObject()));
    }

    // Expanding names and contents ahead, on another thread, changes nothing a run does or
    // logs.
    void everyBatchSizeRunsAlike_data()
    {
        QTest::addColumn<int>("batch");
        QTest::addColumn<int>("cancelAfter");
        QTest::addColumn<QList<qint64>>("totals");
        // r:5 rejected as a folder and as a file, r9 there already, r9/c.txt skipped.
        for (const int batch : {1, 3, 19})
            QTest::addRow("%d", batch) << batch << 0 << QList<qint64>{18, 19, 1, 2};
        // 2 opening pieces, 18 folders and the 2 of the rejected one, then cards r1 to r4 and
        // the 2 pieces of the rejected r:5/c.txt: the run stops inside the second batch.
        QTest::addRow("4, cancelled") << 4 << 2 + 20 + 6 << QList<qint64>{18, 4, 0, 2};
    }
    void everyBatchSizeRunsAlike()
    {
        QFETCH(int, batch);
        QFETCH(int, cancelAfter);
        const Outcome inline_ = runCards(0, cancelAfter);
        QTEST(inline_.totals, "totals");
        QCOMPARE(inline_.log.count("merging record n. 5\n"), 2);
        QCOMPARE(inline_.log.contains("Run cancelled."), cancelAfter > 0);
        const Outcome ahead = runCards(size_t(batch), cancelAfter);
        QCOMPARE(ahead.log, inline_.log);
        QCOMPARE(ahead.totals, inline_.totals);
        QCOMPARE(ahead.tree, inline_.tree);
    }

    // A run asked to stop stops between items and says so before its totals.
    void cancelFromAnotherThread()
    {
        ScratchFolder dest;
        Document doc;
        buildCards(doc, 50, R"([{"path": "<Name>.txt", "multi": true, "text": "card <Name>"},
                                {"path": "list.txt", "text": "<Name>"}])");
        PosixFileSystem fs;
        MergeRun run(RunSnapshot::take(doc, dest.path()), fs);
        QSemaphore thirdCreated, cancelled;
        QStringList log;
        run.setLogSink([&](const QString& piece) {
            log << piece.mid(1);
            if (log.size() == 2 + 3) {
                thirdCreated.release();
                cancelled.acquire();
            }
        });
        std::optional<Result<RunTotals>> totals;
        std::thread worker([&] { totals = run.execute(); });
        thirdCreated.acquire();
        run.requestCancel();
        cancelled.release();
        worker.join();
        QVERIFY(totals && *totals);
        QVERIFY(run.wasCancelled());
        QCOMPARE(totalsList(**totals), (QList<qint64>{0, 3, 0, 0}));
        QCOMPARE(log.mid(2 + 3),
                 (QStringList{"Run cancelled.", RunLog::rule().mid(1),
                              "Totally created 0 folders and 3 files.", RunLog::rule().mid(1)}));
        QCOMPARE(treeLines(dest.path()),
                 QStringList({"r1.txt: card r1", "r2.txt: card r2", "r3.txt: card r3"}));
    }

    void onlyAnExistingFolderBecomesTheDestination()
    {
        ScratchFolder tmp;
        const QString file = tmp.writeFile("plain.txt", "x");
        Document doc;
        UndoStack stack(doc);
        for (const QString& bad : {tmp.filePath("missing"), file}) {
            const Result<> chosen = commands::chooseDestination(stack, bad);
            QVERIFY(!chosen);
            QVERIFY2(chosen.message().contains(bad), qPrintable(chosen.message()));
            QVERIFY(!doc.selectedDestinationBookmark());
        }
        QVERIFY(!doc.isDocumentEdited());

        QVERIFY(commands::chooseDestination(stack, tmp.path()));
        QVERIFY(doc.isDocumentEdited());
        QVERIFY(doc.selectedDestinationDefined());
        bool stale = true;
        QCOMPARE(LocationBookmark::resolve(*doc.selectedDestinationBookmark(), &stale), tmp.path());
        QVERIFY(!stale);
    }

    void runAsksForADestinationUntilAUsableOneIsSet()
    {
        ScratchFolder tmp;
        const QString p = tmp.filePath("dest");
        const QString away = tmp.filePath("away");
        QVERIFY(QDir().mkpath(p));
        Document doc;
        buildWorkedExample(doc);
        UndoStack stack(doc);
        PosixFileSystem fs;
        QString log = "earlier";
        const auto alertOf = [&] {
            const Result<RunTotals> r =
                RunCommands::run(doc, fs, [&log](const QString& piece) { log += piece; });
            return r ? QString() : r.failure().alert.value_or(Alert{}).messageText;
        };
        QCOMPARE(alertOf(), Alert::destinationNotSet().messageText);

        // Chosen, but the folder has gone since (a disk taken away): the choice stays.
        QVERIFY(commands::chooseDestination(stack, p));
        doc.markSaved();
        QVERIFY(QDir().rename(p, away));
        QCOMPARE(alertOf(), Alert::destinationNeedsReset().messageText);
        QVERIFY(doc.selectedDestinationDefined());

        // Another folder now stands at the same path: not the one chosen.
        QVERIFY(QDir().mkpath(p));
        QCOMPARE(alertOf(), Alert::destinationNeedsReset().messageText);
        QCOMPARE(treeLines(tmp.path()), QStringList({"away/: ", "dest/: "}));
        QCOMPARE(log, QStringLiteral("earlier"));

        // The chosen folder back in its place: the run goes there and appends to the log, and
        // the document, only read, is as it was.
        QVERIFY(QDir(p).removeRecursively() && QDir().rename(away, p));
        QCOMPARE(alertOf(), QString());
        QVERIFY2(log.startsWith("earlier\nStart merging data and save folders inside : " + p),
                 qPrintable(log));
        QCOMPARE(readFile(p + "/list.txt"), QByteArray("List: Ann, Bob."));
        QVERIFY(!doc.isDocumentEdited());
    }

    void aSnapshotIsUntouchedByEditsBeforeAndDuringTheRun()
    {
        ScratchFolder tmp;
        Document doc;
        buildWorkedExample(doc);
        const RunSnapshot snapshot = RunSnapshot::take(doc, tmp.path() + "//");
        QCOMPARE(snapshot.destinationPath, tmp.path());

        const QString name = doc.keyArray()[kFirstUserKeyIndex].innerKey;
        doc.setRecordValue(doc.dataArray()[0], name, Value::string("Zed"));
        doc.removeRecords({1});
        doc.removePrototype(2);
        doc.renameField(kFirstUserKeyIndex, "Other");
        // The run goes on in another thread while the record it reads keeps changing.
        std::atomic<bool> done{false};
        std::optional<QList<qint64>> totals;
        std::thread worker([&] {
            PosixFileSystem fs;
            if (const Result<RunTotals> r = MergeRun(snapshot, fs).execute())
                totals = totalsList(*r);
            done = true;
        });
        for (int round = 0; !done; ++round)
            doc.setRecordValue(doc.dataArray()[0], name, Value::string(QString::number(round)));
        worker.join();
        QCOMPARE(totals, (QList<qint64>{2, 3, 0, 0}));
        QCOMPARE(readFile(tmp.filePath("Ann/card.txt")), QByteArray("Hello Ann, n. 1"));
        QCOMPARE(readFile(tmp.filePath("list.txt")), QByteArray("List: Ann, Bob."));
    }
};

QTEST_GUILESS_MAIN(MergeRunTest)
#include "tst_mergerun.moc"
