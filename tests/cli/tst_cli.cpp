#include "clidriver.h"
#include "support/scratchfolder.h"
#include "support/testdata.h"

#include <QDir>
#include <QJsonArray>

using namespace quillory::test;

class CliTest : public QObject
{
    Q_OBJECT
private:
    CliDriver cli;
    ScratchFolder dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Fields Name and City, the records Ann and Bob, and three Prototypes: a folder and a file
    // per record, and one list of all.
    void makeExampleDocument(const QString& doc)
    {
        cli.makePeople(doc);
        for (const QStringList& args :
             {QStringList{"--multi", "--folder", "--path", "<Name>"},
              QStringList{"--multi", "--path", "<Name>/card.txt", "--text", "Hello <Name>, n. <#>"},
              QStringList{"--one", "--path", "list.txt", "--head", "List: ", "--text", "<Name>",
                          "--separator", ", ", "--foot", "."}})
            CLI_EXPECT(cli.run(QStringList{"prototype", "add", doc} + args), 0);
    }

private slots:
    void newWritesAnEmptyDocumentAndNeverReplacesOne()
    {
        const QString doc = path("new.quillory");
        CLI_EXPECT(cli.run({"new", doc}), 0);
        QVERIFY(cli.info(doc).value("records").toArray().isEmpty());
        const QByteArray before = readFile(doc);
        const auto again = cli.run({"new", doc});
        CLI_EXPECT(again, 2);
        QVERIFY(again.err.contains("already exists"));
        QCOMPARE(readFile(doc), before);
    }

    void fieldsAndRecordsAreEditedByNameOrInnerKey()
    {
        const QString doc = path("fields.quillory");
        CLI_EXPECT(cli.run({"new", doc}), 0);
        CLI_EXPECT(cli.run({"field", "add", doc, "Name"}), 0);
        CLI_EXPECT(cli.run({"field", "add", doc}), 0); // KEY2
        CLI_EXPECT(cli.run({"field", "rename", doc, "KEY2", "Name"}), 0);
        // Two fields are now called Name: the name alone is ambiguous.
        const auto ambiguous = cli.run({"record", "add", doc, "Name=x"});
        CLI_EXPECT(ambiguous, 2);
        QVERIFY(ambiguous.err.contains("#3 or #4"));
        CLI_EXPECT(cli.run({"record", "add", doc, "#3=Ann", "#4=Rome"}), 0);
        CLI_EXPECT(cli.run({"field", "rename", doc, "#4", "City"}), 0);
        CLI_EXPECT(cli.run({"record", "set", doc, "1", "City=Oslo"}), 0);
        CLI_EXPECT(cli.run({"field", "rename", doc, "City", "   "}), 2); // blank: refused
        QCOMPARE(at(cli.info(doc), "records", 0).value("4").toString(), QStringLiteral("Oslo"));
        CLI_EXPECT(cli.run({"field", "delete", doc, "City"}), 0);
        CLI_EXPECT(cli.run({"field", "delete", doc, "Nope"}), 2);
        QCOMPARE(cli.info(doc).value("fields").toArray().size(), 3);
    }

    void prototypesItemsAndPreview()
    {
        const QString doc = path("proto.quillory");
        makeExampleDocument(doc);
        const auto items = cli.run({"items", doc});
        CLI_EXPECT(items, 0);
        QCOMPARE(items.out, QStringLiteral("1\t<Name>/\tfolder\tmulti\t1\n"
                                           "2\t<Name>/card.txt\tfile\tmulti\t2\n"
                                           "3\tlist.txt\tfile\tone\t3\n"));
        QCOMPARE(cli.run({"preview", doc, "2", "--record", "2", "--name"}).out,
                 QStringLiteral("Bob/card.txt"));
        const QStringList content{"preview", doc, "2", "--record", "1", "--content"};
        // A default given for one invocation changes the counter text, and is not kept.
        QCOMPARE(cli.run(QStringList{"--default", "forceLeading0ForField1=YES"} + content).out,
                 QStringLiteral("Hello Ann, n. 001"));
        QCOMPARE(cli.run(content).out, QStringLiteral("Hello Ann, n. 1"));

        // Templates can come from files; removal takes the 1-based position.
        dir.writeFile("head.txt", "Head from a file\n");
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--one", "--path", "h.txt", "--head",
                            "@" + path("head.txt")}),
                   0);
        QCOMPARE(at(cli.info(doc), "prototypes", 3).value("head").toString(),
                 QStringLiteral("Head from a file\n"));
        CLI_EXPECT(cli.run({"prototype", "remove", doc, "1"}), 0);
        QCOMPARE(at(cli.info(doc), "prototypes", 0).value("path").toString(),
                 QStringLiteral("<Name>/card.txt"));
    }

    void runLogsEveryStep()
    {
        const QString doc = path("run.quillory");
        makeExampleDocument(doc);
        const auto noDestination = cli.run({"run", doc});
        CLI_EXPECT(noDestination, 3);
        QVERIFY(noDestination.err.contains("A destination was not set"));

        QTemporaryDir out;
        const QString P = QDir(out.path()).canonicalPath();
        CLI_EXPECT(cli.run({"destination", doc, out.path()}), 0);
        const QByteArray stored = readFile(doc);
        const QString rule = "\n" + QString(60, '-');
        const auto first = cli.run({"run", doc});
        CLI_EXPECT(first, 0);
        QCOMPARE(first.out, "\nStart merging data and save folders inside : " + P + rule +
                                "\nCreated folder: Ann/\nCreated folder: Bob/"
                                "\nCreated file: Ann/card.txt\nCreated file: Bob/card.txt"
                                "\nCreated file: list.txt" +
                                rule + "\nTotally created 2 folders and 3 files." + rule + "\n");
        QCOMPARE(readFile(out.filePath("Ann/card.txt")), QByteArray("Hello Ann, n. 1"));
        QCOMPARE(readFile(out.filePath("list.txt")), QByteArray("List: Ann, Bob."));
        QCOMPARE(readFile(doc), stored); // a run never writes the document

        // A destination that went away is reported, not made again.
        QTemporaryDir gone;
        CLI_EXPECT(cli.run({"destination", doc, gone.path()}), 0);
        QVERIFY(gone.remove());
        const auto missing = cli.run({"run", doc});
        CLI_EXPECT(missing, 3);
        QVERIFY(missing.err.contains("You need to set again a destination"));
        QVERIFY(!QFileInfo::exists(gone.path()));
    }

    // A write that fails leaves an item not done: the run exits 1.
    void runFailsWhenAWriteFails()
    {
        const QString doc = path("status.quillory");
        cli.makePeople(doc);
        CLI_EXPECT(cli.run({"record", "add", doc, "Name=f/x"}), 0);
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--multi", "--path", "<Name>.txt"}), 0);
        QTemporaryDir out;
        // A file where a folder is needed: no permission, not even root's, lets the write pass.
        QVERIFY(writeFile(out.filePath("f"), "there before"));
        const auto run = cli.run({"run", doc, "--destination", out.path()});
        CLI_EXPECT(run, 1);
        QVERIFY2(run.out.contains("\nERROR: Cannot write file"), qPrintable(run.out));
    }

    void importThenExportGivesTheTableBack()
    {
        const QString doc = path("import.quillory");
        const auto data = [](const QString& name) { return testDataPath("cli/" + name); };
        CLI_EXPECT(cli.run({"new", doc}), 0);
        const auto imported = cli.run({"import", doc, data("people.csv"), "--header-names"});
        CLI_EXPECT(imported, 0);
        QCOMPARE(imported.err, QStringLiteral("Imported 2 records, added 3 fields\n"));
        QVERIFY(imported.out.isEmpty());
        const QJsonObject info = cli.info(doc);
        QCOMPARE(at(info, "fields", 4).value("publicKey").toString(), QStringLiteral("Note"));
        QCOMPARE(at(info, "records", 1).value("3").toString(), QStringLiteral("Bøb"));

        CLI_EXPECT(cli.run({"export", doc, path("out.csv"), "--format", "csv", "--header"}), 0);
        QCOMPARE(readFile(path("out.csv")), readFile(data("people-header.csv")));
        CLI_EXPECT(cli.run({"export", doc, path("out.tsv"), "--fields", "City,Name"}), 0);
        QCOMPARE(readFile(path("out.tsv")), readFile(data("people-city-name.tsv")));
        const auto semicolons = cli.run({"export", doc, "-", "--format", "csv-semicolon"});
        CLI_EXPECT(semicolons, 0);
        QCOMPARE(semicolons.out,
                 QStringLiteral("\"Ann\";\"Rome\";\"likes, commas\"\n\"Bøb\";\"Oslo\";\"\""));
        // A workbook, to a file and to a stream alike; the status names where it went.
        const auto workbook = cli.run({"export", doc, path("out.xlsx"), "--format", "xlsx"});
        CLI_EXPECT(workbook, 0);
        QCOMPARE(workbook.err, "Exported 2 records, 3 fields, to " + path("out.xlsx") + "\n");
        QVERIFY(readFile(path("out.xlsx")).startsWith("PK\x03\x04"));
        const auto streamed = cli.run({"export", doc, "-", "--format", "xlsx"});
        CLI_EXPECT(streamed, 0);
        QCOMPARE(streamed.out.toLatin1().left(4), QByteArray("PK\x03\x04"));
        const auto misspelt = cli.run({"export", doc, "-", "--format", "xlxs"});
        CLI_EXPECT(misspelt, 2);
        QVERIFY2(misspelt.err.contains("(did you mean 'xlsx'?)"), qPrintable(misspelt.err));

        // Importing again into the fields named by the first row, skipping one column.
        const auto again = cli.run(
            {"import", doc, data("people.csv"), "--map", "first-row", "--column", "3=skip"});
        CLI_EXPECT(again, 0);
        const QJsonObject after = cli.info(doc);
        QCOMPARE(at(after, "records", 2).value("4").toString(), QStringLiteral("Rome"));
        QCOMPARE(at(after, "records", 2).value("5").toString(), QString());

        CLI_EXPECT(cli.run({"export", doc, path("x.tsv"), "--start-of-file", "x"}), 2);
        CLI_EXPECT(cli.run({"export", doc, dir.path()}), 2); // a folder is no file to write
        CLI_EXPECT(cli.run({"import", doc, path("nothing.csv")}), 2);
    }

    void workbooksImportLikeDelimitedFiles()
    {
        const QString doc = path("workbook.quillory");
        const auto data = [](const QString& name) {
            return testDataPath("exchange/workbooks/" + name);
        };
        CLI_EXPECT(cli.run({"new", doc}), 0);
        // Told by its content, whatever its name; the first sheet unless --sheet says.
        QVERIFY(QFile::copy(data("people.xlsx"), path("people.data")));
        const auto imported = cli.run({"import", doc, path("people.data"), "--header-names"});
        CLI_EXPECT(imported, 0);
        QCOMPARE(imported.err, QStringLiteral("Imported 3 records, added 8 fields\n"));
        const auto table = cli.run({"export", doc, "-", "--fields", "Name,Born,Flag"});
        QCOMPARE(table.out, QStringLiteral("Zoë Ångström\t05/03/1984\tTRUE\n"
                                           "Élodie\t02/01/2000\tFALSE\nmerged\t\t"));
        // A workbook this tool exported comes back as it was.
        const QString copy = path("copy.quillory");
        CLI_EXPECT(cli.run({"export", doc, path("back.xlsx"), "--format", "xlsx", "--header"}), 0);
        CLI_EXPECT(cli.run({"new", copy}), 0);
        CLI_EXPECT(cli.run({"import", copy, path("back.xlsx"), "--header-names"}), 0);
        QCOMPARE(cli.run({"export", copy, "-", "--header"}).out,
                 cli.run({"export", doc, "-", "--header"}).out);
        // The same mapping rules as text: the first row names the fields it goes to.
        const auto ods = cli.run(
            {"import", doc, data("people.ods"), "--map", "first-row", "--sheet", "Clients"});
        CLI_EXPECT(ods, 0);
        QCOMPARE(ods.err, QStringLiteral("Imported 2 records, added 0 fields\n"));
        QCOMPARE(at(cli.info(doc), "records", 4).value("5").toString(),
                 QStringLiteral("2024-03-05T10:30:00"));
        // Standard input too, and a sheet by its number.
        const auto piped = cli.run({"import", doc, "-", "--sheet", "3", "--map", "cascade"},
                                   readFile(data("people.xlsx")));
        CLI_EXPECT(piped, 0);
        QCOMPARE(at(cli.info(doc), "records", 5).value("3").toString(), QStringLiteral("Code"));

        // Refusals change nothing and say why.
        const QByteArray before = readFile(doc);
        for (const auto& [file, reason] : std::vector<std::pair<QString, QString>>{
                 {"password.xlsx", "protected by a password"},
                 {"bomb.xlsx", "would expand to"},
                 {"damaged.xlsx", "not a readable zip archive"},
                 {"billion-rows.xlsx", "claims 1000000000 rows"}}) {
            const auto refused = cli.run({"import", doc, data(file)});
            CLI_EXPECT(refused, 2);
            QVERIFY2(refused.err.contains(reason) && refused.err.contains("nothing changed"),
                     qPrintable(refused.err));
        }
        const auto noSheet = cli.run({"import", doc, data("people.ods"), "--sheet", "Nope"});
        CLI_EXPECT(noSheet, 2);
        QVERIFY2(noSheet.err.contains("its sheets: Clients, Empty, Second"),
                 qPrintable(noSheet.err));
        CLI_EXPECT(cli.run({"import", doc, data("people.xlsx"), "--sheet", "Empty"}), 2);
        const auto text = cli.run({"import", doc, testDataPath("cli/people.csv"), "--sheet", "1"});
        CLI_EXPECT(text, 2);
        QVERIFY2(text.err.contains("--sheet applies to workbooks"), qPrintable(text.err));
        QCOMPARE(readFile(doc), before);
    }

    void unreadableDocumentsAreReported()
    {
        dir.writeFile("garbage.quillory", "this is not an archive");
        const auto garbage = cli.run({"info", path("garbage.quillory")});
        CLI_EXPECT(garbage, 2);
        QVERIFY(garbage.err.contains("garbage.quillory"));
        CLI_EXPECT(cli.run({"info", path("missing.quillory")}), 2);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
