#include "commands/runcommands.h"
#include "commands/undostack.h"
#include "core/locationbookmark.h"
#include "merge/posixfilesystem.h"
#include "merge/runcommands.h"
#include "runfixture.h"

#include <atomic>
#include <thread>

using namespace quillory;
using namespace quillory::test;

class RunCommandsTest : public QObject
{
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(RunCommandsTest)
#include "tst_runcommands.moc"
