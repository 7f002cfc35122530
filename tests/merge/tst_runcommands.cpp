#include "core/locationbookmark.h"
#include "merge/posixfilesystem.h"
#include "merge/runcommands.h"
#include "merge/runlog.h"
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
        doc.prepareOpened();
        for (const QString& bad : {tmp.filePath("missing"), file}) {
            const Result<> chosen = RunCommands::selectDestinationFolder(doc, bad);
            QVERIFY(!chosen);
            QVERIFY2(chosen.message().contains(bad), qPrintable(chosen.message()));
            QVERIFY(!doc.selectedDestinationBookmark());
        }

        doc.markSaved();
        QVERIFY(RunCommands::selectDestinationFolder(doc, tmp.path()));
        QVERIFY(doc.isDocumentEdited());
        bool stale = true;
        QCOMPARE(LocationBookmark::resolve(*doc.selectedDestinationBookmark(), &stale), tmp.path());
        QVERIFY(!stale);
    }

    void runAsksForADestinationUntilAUsableOneIsSet()
    {
        ScratchFolder tmp;
        const QString p = tmp.filePath("dest");
        QVERIFY(QDir().mkpath(p));
        Document doc;
        buildWorkedExample(doc);
        doc.logText = "earlier";
        const auto alertOf = [&doc] {
            const Result<RunTotals> r = RunCommands::run(doc);
            return r ? QString() : r.failure().alert.value_or(Alert{}).messageText;
        };
        QCOMPARE(alertOf(), Alert::destinationNotSet().messageText);
        QCOMPARE(doc.mainTabId(), QString("db"));

        // Chosen, but the folder has gone since: the choice is forgotten.
        QVERIFY(RunCommands::selectDestinationFolder(doc, p));
        QVERIFY(QDir(p).removeRecursively());
        QCOMPARE(alertOf(), Alert::destinationNeedsReset().messageText);
        QVERIFY(!doc.selectedDestinationDefined());

        // Chosen, but another folder now stands at the same path.
        QVERIFY(QDir().mkpath(p));
        QVERIFY(RunCommands::selectDestinationFolder(doc, p));
        QVERIFY(QDir().rename(p, p + "-moved") && QDir().mkpath(p));
        QCOMPARE(alertOf(), Alert::destinationNeedsReset().messageText);
        QCOMPARE(treeLines(tmp.path()), QStringList({"dest-moved/: ", "dest/: "}));

        // Chosen again: the run shows its tab and appends to the log.
        QVERIFY(RunCommands::selectDestinationFolder(doc, p));
        doc.markSaved();
        QCOMPARE(alertOf(), QString());
        QCOMPARE(doc.mainTabId(), QString("run"));
        QVERIFY(doc.logText.startsWith("earlier\nStart merging data and save folders inside : "));
        QVERIFY(doc.isDocumentEdited());
    }

    void clearingTheLogIsUndoable()
    {
        Document doc;
        RunLog::appendToLogView(doc, "\nfirst 100%");
        doc.markSaved();
        RunLog::clearLog(doc);
        QCOMPARE(doc.logText, QString());
        QVERIFY(doc.isDocumentEdited());
        QCOMPARE(doc.undoManager().undoActionName(), QString("Clear Log"));
        doc.undoManager().undo();
        QCOMPARE(doc.logText, QString("\nfirst 100%"));
        doc.undoManager().redo();
        QCOMPARE(doc.logText, QString());
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
        doc.deleteRecord(doc.dataArray()[1]);
        doc.removePrototype(doc.universalFilePrototypeArray()[2]);
        doc.renameKey(kFirstUserKeyIndex, "Other");
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
