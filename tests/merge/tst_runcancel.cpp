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
    void stopsAfterTheCurrentItem_data()
    {
        QTest::addColumn<int>("cancelAt"); // cards created before the cancel; -1: never
        QTest::addColumn<int>("files");
        QTest::newRow("before the start") << 0 << 0;
        QTest::newRow("after the seventh card") << 7 << 7;
        QTest::newRow("never: every card and the list") << -1 << 51;
    }
    void stopsAfterTheCurrentItem()
    {
        QFETCH(int, cancelAt);
        QFETCH(int, files);
        ScratchFolder dest;
        Document doc;
        buildCards(doc);
        PosixFileSystem fs;
        MergeRun run(RunSnapshot::take(doc, dest.path()), fs);
        QStringList log;
        run.setLogSink([&](const QString& piece) {
            log << piece.mid(1);
            if (cancelAt > 0 && log.size() == 2 + cancelAt)
                run.requestCancel();
        });
        if (cancelAt == 0)
            run.requestCancel();
        const Result<RunTotals> totals = run.execute();
        QVERIFY(totals);
        QCOMPARE(run.wasCancelled(), cancelAt >= 0);
        QCOMPARE(totalsList(*totals), (QList<qint64>{0, files, 0, 0}));
        const QString summary = QString("Totally created 0 folders and %1 files.").arg(files);
        if (cancelAt >= 0)
            QCOMPARE(log.mid(2 + cancelAt), (QStringList{"Run cancelled.", RunLog::rule().mid(1),
                                                         summary, RunLog::rule().mid(1)}));
        else
            QVERIFY(!log.contains("Run cancelled.") && log.contains(summary));
        QStringList expected;
        for (int i = 1; i <= std::min(files, 50); ++i)
            expected << QStringLiteral("r%1.txt: card r%1").arg(i);
        QStringList tree = treeLines(dest.path());
        QCOMPARE(tree.removeIf([](const QString& l) { return l.startsWith("list.txt: "); }),
                 qsizetype(files > 50));
        expected.sort();
        QCOMPARE(tree, expected);
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
};

QTEST_GUILESS_MAIN(RunCancelTest)
#include "tst_runcancel.moc"
