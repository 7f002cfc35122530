#include "merge/posixfilesystem.h"
#include "merge/runlog.h"
#include "runfixture.h"

#include <QSemaphore>

#include <thread>

using namespace quillory;
using namespace quillory::test;

namespace {

// 50 records named r1…r50, a One per Record file <Name>.txt and then an All in One list.txt.
void buildCards(Document& doc)
{
    QJsonArray records;
    for (int i = 1; i <= 50; ++i)
        records.append(QJsonArray{i, QStringLiteral("r%1").arg(i)});
    buildDocument(doc, QJsonObject{{"fields", QJsonArray{"Name"}},
                                   {"records", records},
                                   {"prototypes", QJsonArray{QJsonObject{{"path", "<Name>.txt"},
                                                                         {"multi", true},
                                                                         {"text", "card <Name>"}},
                                                             QJsonObject{{"path", "list.txt"},
                                                                         {"text", "<Name>"}}}}});
}

} // namespace

// A run asked to stop stops between items and says so before its totals.
class RunCancelTest : public QObject
{
    Q_OBJECT
private slots:
    void stopsAfterTheCurrentItem()
    {
        ScratchFolder dest;
        Document doc;
        buildCards(doc);
        PosixFileSystem fs;
        MergeRun run(RunSnapshot::take(doc, dest.path()), fs);
        QStringList log;
        run.setLogSink([&](const QString& piece) {
            log << piece.mid(1);
            if (log.size() == 2 + 7)
                run.requestCancel();
        });
        const Result<RunTotals> totals = run.execute();
        QVERIFY(totals);
        QVERIFY(run.wasCancelled());
        QCOMPARE(totalsList(*totals), (QList<qint64>{0, 7, 0, 0}));
        QCOMPARE(log.mid(2 + 6),
                 (QStringList{"Created file: r7.txt", "Run cancelled.", RunLog::rule().mid(1),
                              "Totally created 0 folders "
                              "and 7 files.",
                              RunLog::rule().mid(1)}));
        QStringList expected;
        for (int i = 1; i <= 7; ++i)
            expected << QStringLiteral("r%1.txt: card r%1").arg(i);
        expected.sort();
        QCOMPARE(treeLines(dest.path()), expected);
    }

    void cancelBeforeTheStartCreatesNothing()
    {
        ScratchFolder dest;
        Document doc;
        buildCards(doc);
        PosixFileSystem fs;
        MergeRun run(RunSnapshot::take(doc, dest.path()), fs);
        QStringList log;
        run.setLogSink([&](const QString& piece) { log << piece.mid(1); });
        run.requestCancel();
        QVERIFY(run.execute());
        QCOMPARE(log.size(), 6);
        QCOMPARE(log[2], "Run cancelled.");
        QCOMPARE(log[4], "Totally created 0 folders and 0 files.");
        QVERIFY(treeLines(dest.path()).isEmpty());
    }

    void cancelFromAnotherThread()
    {
        ScratchFolder dest;
        Document doc;
        buildCards(doc);
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
        QCOMPARE((*totals)->filesCreated, 3);
        QVERIFY(log.contains("Run cancelled."));
        QVERIFY(!QFile::exists(dest.filePath("list.txt")));
    }

    void aFinishedRunSaysNothingOfCancelling()
    {
        ScratchFolder dest;
        Document doc;
        buildCards(doc);
        PosixFileSystem fs;
        MergeRun run(RunSnapshot::take(doc, dest.path()), fs);
        QStringList log;
        run.setLogSink([&](const QString& piece) { log << piece.mid(1); });
        QVERIFY(run.execute());
        QVERIFY(!run.wasCancelled());
        QVERIFY(!log.contains("Run cancelled."));
        QCOMPARE(treeLines(dest.path()).size(), 51);
    }
};

QTEST_GUILESS_MAIN(RunCancelTest)
#include "tst_runcancel.moc"
