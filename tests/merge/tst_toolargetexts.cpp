#include "merge/posixfilesystem.h"
#include "merge/preview.h"
#include "merge/runlog.h"
#include "prototypes/mergecontent.h"
#include "runfixture.h"

using namespace quillory;
using namespace quillory::test;

namespace {

constexpr int kFields = 26;

// Fields F0…F25. Record 1 is a bomb: each field holds two tags of the next, the last "x", so
// "<F0><F0>" expands to 2^26 characters. Record 2 holds "ok" everywhere.
void buildBombDocument(Document& doc)
{
    QStringList fields;
    QJsonArray bomb{1}, plain{2}; // counters as numbers, as the case format has them
    for (int i = 0; i < kFields; ++i) {
        fields << QStringLiteral("F%1").arg(i);
        bomb << (i + 1 < kFields ? QStringLiteral("<F%1><F%1>").arg(i + 1) : QStringLiteral("x"));
        plain << QStringLiteral("ok");
    }
    const QJsonArray records{bomb, plain};
    const char* const prototypes = R"([{"path": "<F0><F0>", "multi": true, "folder": true},
        {"path": "card-<#>.txt", "multi": true, "text": "<F0><F0>"},
        {"path": "list.txt", "text": "<F0><F0>"}])";
    buildDocument(doc, {{"fields", QJsonArray::fromStringList(fields)},
                        {"records", records},
                        {"prototypes", QJsonDocument::fromJson(prototypes).array()}});
}

} // namespace

class TooLargeTextsTest : public QObject
{
    Q_OBJECT
private slots:
    void theRunLogsTheItemAndGoesOn()
    {
        Document doc;
        buildBombDocument(doc);
        ScratchFolder out;
        PosixFileSystem fs;
        QString log;
        MergeRun run(RunSnapshot::take(doc, out.path()), fs);
        run.setLogSink([&log](const QString& piece) { log += piece; });
        const Result<RunTotals> totals = run.execute();
        QVERIFY2(totals, qPrintable(totals.message()));

        // Record 2's folder and file are made; record 1's folder, file and the All in One file
        // are three errors, each logged with its item.
        QCOMPARE(totalsList(*totals), (QList<qint64>{1, 1, 0, 3}));
        QCOMPARE(treeLines(out.path()), QStringList({"card-2.txt: okok", "okok/: "}));
        QCOMPARE(log.count(MergeContent::tooLargeMessage()), 3);
        // Its message has words of its own, yet the window shows it as an error line.
        const QStringList lines = log.split('\n');
        qsizetype errors = 0;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            errors += lines[i] == MergeContent::tooLargeMessage() &&
                      RunLog::lineKind(lines[i], lines[i + 1]) == RunLog::LineKind::Error;
        QCOMPARE(errors, 3);
        QVERIFY2(log.contains("card-<#>.txt' One per Record section merging record n. 1"),
                 qPrintable(log));
        QVERIFY2(log.contains("list.txt' All in One section"), qPrintable(log));
    }

    void thePreviewSaysTheTextIsTooLarge()
    {
        Document doc;
        buildBombDocument(doc);
        const PrototypePtr multiFile = doc.universalFilePrototypeArray()[1];
        QCOMPARE(Preview::content(doc, multiFile, doc.dataArray()[0]),
                 MergeContent::tooLargeMessage());
        QCOMPARE(Preview::content(doc, multiFile, doc.dataArray()[1]), QStringLiteral("okok"));
    }
};

QTEST_GUILESS_MAIN(TooLargeTextsTest)
#include "tst_toolargetexts.moc"
