#include "core/locationbookmark.h"
#include "merge/runcommands.h"
#include "merge/runlog.h"
#include "runfixture.h"

#include <QTemporaryDir>
#include <QtTest>

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
        QTemporaryDir tmp;
        QFile file(tmp.path() + "/plain.txt");
        QVERIFY(file.open(QIODevice::WriteOnly));
        Document doc;
        setUpDocument(doc, {});

        for (const QString& bad : {tmp.path() + "/missing", file.fileName()}) {
            const DestinationChoice choice = RunCommands::selectDestinationFolder(doc, bad);
            QVERIFY(!choice.accepted);
            QVERIFY2(choice.message.contains(bad), qPrintable(choice.message));
            QVERIFY(!doc.selectedDestinationDefined());
            QVERIFY(!doc.selectedDestinationBookmark());
        }
        QCOMPARE(doc.mainTabId(), QString("file"));

        doc.setMainTabId("db");
        QVERIFY(RunCommands::selectDestinationFolder(doc, tmp.path()).accepted);
        QCOMPARE(doc.mainTabId(), QString("file"));
        QVERIFY(doc.selectedDestinationDefined());
        bool stale = true;
        QCOMPARE(LocationBookmark::resolve(*doc.selectedDestinationBookmark(), &stale), tmp.path());
        QVERIFY(!stale);
    }

    void runAsksForADestinationUntilAUsableOneIsSet()
    {
        QTemporaryDir tmp;
        const QString p = tmp.path() + "/dest";
        QVERIFY(QDir().mkpath(p));
        Document doc;
        buildWorkedExample(doc);

        RunCommandResult result = RunCommands::run(doc);
        QCOMPARE(result.alert->messageText, Alert::destinationNotSet().messageText);
        QCOMPARE(doc.mainTabId(), QString("db"));

        // Defined, but the folder has gone since.
        QVERIFY(RunCommands::selectDestinationFolder(doc, p).accepted);
        QVERIFY(QDir(p).removeRecursively());
        result = RunCommands::run(doc);
        QCOMPARE(result.alert->messageText, Alert::destinationNeedsReset().messageText);
        QCOMPARE(result.alert->buttons, Alert::destinationNeedsReset().buttons);
        QVERIFY(!doc.selectedDestinationDefined());
        QVERIFY(doc.logText.isEmpty());

        // Defined, but another folder now stands at the same path.
        QVERIFY(QDir().mkpath(p));
        QVERIFY(RunCommands::selectDestinationFolder(doc, p).accepted);
        QVERIFY(QDir().rename(p, p + "-moved"));
        QVERIFY(QDir().mkpath(p));
        result = RunCommands::run(doc);
        QCOMPARE(result.alert->messageText, Alert::destinationNeedsReset().messageText);
        QVERIFY(QDir(p).isEmpty());
    }

    void runAppendsEveryPieceToTheDocumentLog()
    {
        QTemporaryDir tmp;
        Document doc;
        buildWorkedExample(doc);
        doc.logText = "earlier";
        QVERIFY(RunCommands::selectDestinationFolder(doc, tmp.path()).accepted);
        const qint64 changes = doc.changeCount();

        const RunCommandResult result = RunCommands::run(doc);
        QVERIFY(!result.alert);
        QCOMPARE(result.totals, (RunTotals{2, 3}));
        QCOMPARE(doc.mainTabId(), QString("run"));
        const QStringList pieces = framed(
            tmp.path(),
            {"\nCreated folder: Ann/", "\nCreated folder: Bob/", "\nCreated file: Ann/card.txt",
             "\nCreated file: Bob/card.txt", "\nCreated file: list.txt"},
            2, 3);
        QCOMPARE(doc.logText, "earlier" + pieces.join(QString()));
        QCOMPARE(doc.changeCount(), changes + pieces.size());
    }

    void clearingTheLogIsUndoable()
    {
        Document doc;
        setUpDocument(doc, {});
        RunLog::appendToLogView(doc, "\nfirst");
        RunLog::appendToLogView(doc, "\nsecond 100%");
        QCOMPARE(doc.logText, QString("\nfirst\nsecond 100%"));
        const qint64 changes = doc.changeCount();

        RunLog::clearLog(doc);
        QCOMPARE(doc.logText, QString());
        QCOMPARE(doc.undoManager().undoActionName(), QString("Clear Log"));
        doc.undoManager().undo();
        QCOMPARE(doc.logText, QString("\nfirst\nsecond 100%"));
        QCOMPARE(doc.undoManager().redoActionName(), QString("Clear Log"));
        doc.undoManager().redo();
        QCOMPARE(doc.logText, QString());
        doc.undoManager().undo();
        QCOMPARE(doc.logText, QString("\nfirst\nsecond 100%"));
        QCOMPARE(doc.changeCount(), changes + 4);
    }

    void aSnapshotIsUntouchedByLaterEdits()
    {
        QTemporaryDir tmp;
        Document doc;
        buildWorkedExample(doc);
        const RunSnapshot snapshot = RunSnapshot::take(doc, tmp.path());

        // Edit everything the run reads, through the very objects the document holds.
        doc.dataArray()[0]->set(doc.keyArray()[2].innerKey, Value::string("Zed"));
        doc.dataArray().pop_back();
        doc.universalFilePrototypeArray()[1]->text = "changed";
        doc.universalFilePrototypeArray().pop_back();
        doc.generatedItems().clear();
        doc.renameKey(2, "Other");

        PosixFileSystem fs;
        MergeRun run(snapshot, fs);
        QCOMPARE(run.execute(), (RunTotals{2, 3}));
        QCOMPARE(readAll(tmp.path() + "/Ann/card.txt"), QByteArray("Hello Ann, n. 1"));
        QCOMPARE(readAll(tmp.path() + "/list.txt"), QByteArray("List: Ann, Bob."));
    }

    void aRunOnAnotherThreadIgnoresEditsMadeMeanwhile()
    {
        QTemporaryDir tmp;
        Document doc;
        setUpDocument(doc, {"Name"});
        for (int i = 1; i <= 300; ++i)
            addRecord(doc, i, {QString("r%1").arg(i)});
        addPrototype(doc, "all.txt", false, false, "<Name>;");
        addPrototype(doc, "<Name>.txt", false, true, "<Name>");
        addItem(doc, "all.txt", false, false, 0);
        addItem(doc, "<Name>.txt", false, true, 1);
        QString expected;
        for (int i = 1; i <= 300; ++i)
            expected += QString("r%1;").arg(i);

        std::optional<RunSnapshot> snapshot = RunSnapshot::take(doc, tmp.path());
        std::atomic<bool> done{false};
        QStringList pieces;
        std::thread worker([&] {
            PosixFileSystem fs;
            MergeRun run(std::move(*snapshot), fs);
            run.setLogSink([&](const QString& piece) { pieces << piece; });
            run.execute();
            done = true;
        });
        const QString inner = doc.keyArray()[2].innerKey;
        for (int round = 0; !done; ++round) {
            for (const Record& r : doc.dataArray())
                r->set(inner, Value::string(QString("edit%1").arg(round)));
        }
        worker.join();

        QCOMPARE(readAll(tmp.path() + "/all.txt"), expected.toUtf8());
        QCOMPARE(pieces.size(), 5 + 301);
        QCOMPARE(pieces[2], QString("\nCreated file: all.txt"));
        QCOMPARE(pieces[302], QString("\nCreated file: r300.txt"));
    }
};

QTEST_GUILESS_MAIN(RunCommandsTest)
#include "tst_runcommands.moc"
