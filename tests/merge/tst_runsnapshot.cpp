#include "merge/posixfilesystem.h"
#include "runfixture.h"

using namespace quillory;
using namespace quillory::test;

// A snapshot that shares the document's records (for a document nothing changes meanwhile)
// runs exactly as one that copies them.
class RunSnapshotTest : public QObject
{
    Q_OBJECT
private slots:
    void sharedAndCopiedRecordsRunAlike()
    {
        Document doc;
        buildWorkedExample(doc);
        QStringList trees;
        QStringList logs;
        for (const bool shared : {false, true}) {
            ScratchFolder tmp;
            const RunSnapshot snapshot =
                shared ? RunSnapshot::share(doc, tmp.path()) : RunSnapshot::take(doc, tmp.path());
            QCOMPARE(snapshot.records.size(), doc.dataArray().size());
            for (size_t i = 0; i < snapshot.records.size(); ++i)
                QCOMPARE(snapshot.records[i] == doc.dataArray()[i], shared);
            PosixFileSystem fs;
            MergeRun run(snapshot, fs);
            QString log;
            run.setLogSink([&log, &tmp](const QString& piece) {
                log += QString(piece).replace(tmp.path(), "$DEST");
            });
            QCOMPARE(totalsList(*run.execute()), (QList<qint64>{2, 3, 0, 0}));
            trees << treeLines(tmp.path()).join('|');
            logs << log;
        }
        QCOMPARE(trees[1], trees[0]);
        QCOMPARE(logs[1], logs[0]);
        QVERIFY(logs[0].contains("Created file: Bob/card.txt"));
    }
};

QTEST_GUILESS_MAIN(RunSnapshotTest)
#include "tst_runsnapshot.moc"
