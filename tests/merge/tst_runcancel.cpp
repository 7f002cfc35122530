#include "merge/posixfilesystem.h"
#include "merge/runlog.h"
#include "runfixture.h"

#include <QSemaphore>

#include <thread>

using namespace quillory;
using namespace quillory::test;

// A run asked to stop stops between items and says so before its totals.
class RunCancelTest : public QObject
{
    Q_OBJECT
private slots:
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
};

QTEST_GUILESS_MAIN(RunCancelTest)
#include "tst_runcancel.moc"
