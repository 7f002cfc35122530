#include "merge/posixfilesystem.h"
#include "runfixture.h"

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

// Expanding names and contents ahead, on another thread, changes nothing a run does or logs.
class RunAheadTest : public QObject
{
    Q_OBJECT
private slots:
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
};

QTEST_GUILESS_MAIN(RunAheadTest)
#include "tst_runahead.moc"
