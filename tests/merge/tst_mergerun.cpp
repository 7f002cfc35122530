#include "core/locationbookmark.h"
#include "merge/posixfilesystem.h"
#include "merge/runcommands.h"
#include "merge/runlog.h"
#include "runfixture.h"

using namespace quillory;
using namespace quillory::test;

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
};

QTEST_GUILESS_MAIN(MergeRunTest)
#include "tst_mergerun.moc"
