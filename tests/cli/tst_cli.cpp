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
        const QJsonObject info = cli.info(doc);
        QCOMPARE(at(info, "fields", 1).value("publicKey").toString(), QStringLiteral("sel"));
        QCOMPARE(info.value("fields").toArray().size(), 2);
        QVERIFY(info.value("records").toArray().isEmpty());
        QVERIFY(info.value("destination").isNull());

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
        CLI_EXPECT(cli.run({"record", "add", doc, "#3=Bob"}), 0);
        CLI_EXPECT(cli.run({"field", "rename", doc, "#4", "City"}), 0);
        CLI_EXPECT(cli.run({"record", "set", doc, "2", "City=Oslo"}), 0);
        CLI_EXPECT(cli.run({"field", "rename", doc, "City", "   "}), 2); // blank: refused
        QJsonObject info = cli.info(doc);
        QCOMPARE(at(info, "records", 1).value("1").toInteger(), 2);
        QVERIFY(at(info, "records", 1).value("2").isBool());
        QCOMPARE(at(info, "records", 1).value("4").toString(), QStringLiteral("Oslo"));
        QCOMPARE(at(info, "fields", 3).value("publicKey").toString(), QStringLiteral("City"));

        CLI_EXPECT(cli.run({"record", "delete", doc, "1"}), 0);
        CLI_EXPECT(cli.run({"record", "delete", doc, "5"}), 2);
        CLI_EXPECT(cli.run({"field", "delete", doc, "City"}), 0);
        CLI_EXPECT(cli.run({"field", "delete", doc, "Nope"}), 2);
        info = cli.info(doc);
        QCOMPARE(info.value("records").toArray().size(), 1);
        QCOMPARE(at(info, "records", 0).value("3").toString(), QStringLiteral("Bob"));
        QCOMPARE(info.value("fields").toArray().size(), 3);
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
        QCOMPARE(cli.run(content).out, QStringLiteral("Hello Ann, n. 1"));
        QCOMPARE(cli.run({"preview", doc, "3", "--content"}).out,
                 QStringLiteral("List: Ann, Bob."));
        // A default given for one invocation changes the counter text, and is not kept.
        QCOMPARE(cli.run(QStringList{"--default", "forceLeading0ForField1=YES"} + content).out,
                 QStringLiteral("Hello Ann, n. 001"));
        QCOMPARE(cli.run(content).out, QStringLiteral("Hello Ann, n. 1"));
        CLI_EXPECT(cli.run({"preview", doc, "4"}), 2);

        // Templates can come from files; removal takes the 1-based position.
        dir.writeFile("head.txt", "Head from a file\n");
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--one", "--path", "h.txt", "--head",
                            "@" + path("head.txt")}),
                   0);
        QCOMPARE(at(cli.info(doc), "prototypes", 3).value("head").toString(),
                 QStringLiteral("Head from a file\n"));
        CLI_EXPECT(cli.run({"prototype", "remove", doc, "1"}), 0);
        const QJsonObject info = cli.info(doc);
        QCOMPARE(info.value("prototypes").toArray().size(), 3);
        QCOMPARE(at(info, "prototypes", 0).value("path").toString(),
                 QStringLiteral("<Name>/card.txt"));
    }

    void runLogsEveryStepAndNeverOverwrites()
    {
        const QString doc = path("run.quillory");
        makeExampleDocument(doc);
        const auto noDestination = cli.run({"run", doc});
        CLI_EXPECT(noDestination, 3);
        QVERIFY(noDestination.err.contains("A destination was not set"));

        QTemporaryDir out;
        const QString P = QDir(out.path()).canonicalPath();
        CLI_EXPECT(cli.run({"destination", doc, out.path()}), 0);
        QCOMPARE(cli.info(doc).value("destination").toString(), P);
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

        QVERIFY(writeFile(out.filePath("Bob/card.txt"), "edited by hand"));
        const auto second = cli.run({"run", doc});
        CLI_EXPECT(second, 0);
        QVERIFY(second.out.contains("\nSkipped attempt to overwrite file: Bob/card.txt"));
        QVERIFY(second.out.contains("\nTotally created 0 folders and 0 files."));
        QCOMPARE(readFile(out.filePath("Bob/card.txt")), QByteArray("edited by hand"));

        // --destination leaves the stored one alone.
        QTemporaryDir other;
        CLI_EXPECT(cli.run({"run", doc, "--destination", other.path()}), 0);
        QVERIFY(QFileInfo::exists(other.filePath("Ann/card.txt")));
        QCOMPARE(readFile(doc), stored);

        // A destination that went away is reported, not made again.
        QTemporaryDir gone;
        CLI_EXPECT(cli.run({"destination", doc, gone.path()}), 0);
        QVERIFY(gone.remove());
        const auto missing = cli.run({"run", doc});
        CLI_EXPECT(missing, 3);
        QVERIFY(missing.err.contains("You need to set again a destination"));
        QVERIFY(!QFileInfo::exists(gone.path()));
    }

    // Rows: the Name of the one record (its file is "<Name>.txt"), a file made in the
    // destination first, a piece of the log. A run that leaves an item not done exits 1.
    void runFailsWhenAnItemIsNotDone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("logged");
        QTest::newRow("rejected") << "a:b"
                                  << ""
                                  << "One per Record section merging record";
        // A file where a folder is needed: no permission, not even root's, lets the write pass.
        QTest::newRow("write fails") << "f/x"
                                     << "f"
                                     << "\nERROR: Cannot write file";
    }
    void runFailsWhenAnItemIsNotDone()
    {
        QFETCH(QString, name);
        QFETCH(QString, existing);
        QFETCH(QString, logged);
        const QString doc = path(QStringLiteral("status %1.quillory").arg(QTest::currentDataTag()));
        CLI_EXPECT(cli.run({"new", doc}), 0);
        CLI_EXPECT(cli.run({"field", "add", doc, "Name"}), 0);
        CLI_EXPECT(cli.run({"record", "add", doc, "Name=" + name}), 0);
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--multi", "--path", "<Name>.txt"}), 0);
        QTemporaryDir out;
        if (!existing.isEmpty())
            QVERIFY(writeFile(out.filePath(existing), "there before"));
        const auto run = cli.run({"run", doc, "--destination", out.path()});
        CLI_EXPECT(run, 1);
        QVERIFY2(run.out.contains(logged), qPrintable(run.out));
    }

    void importThenExportGivesTheTableBack()
    {
        const QString doc = path("import.quillory");
        const auto data = [](const QString& name) { return testDataPath("cli/" + name); };
        CLI_EXPECT(cli.run({"new", doc}), 0);
        const auto imported = cli.run({"import", doc, data("people.csv"), "--header-names"});
        CLI_EXPECT(imported, 0);
        QCOMPARE(imported.out, QStringLiteral("Imported 2 records, added 3 fields\n"));
        const QJsonObject info = cli.info(doc);
        QCOMPARE(at(info, "fields", 4).value("publicKey").toString(), QStringLiteral("Note"));
        QCOMPARE(at(info, "records", 1).value("3").toString(), QStringLiteral("Bøb"));

        CLI_EXPECT(cli.run({"export", doc, path("out.csv"), "--format", "csv", "--header"}), 0);
        QCOMPARE(readFile(path("out.csv")), readFile(data("people-header.csv")));
        CLI_EXPECT(cli.run({"export", doc, path("out.tsv"), "--fields", "City,Name"}), 0);
        QCOMPARE(readFile(path("out.tsv")), readFile(data("people-city-name.tsv")));
        CLI_EXPECT(cli.run({"export", doc, path("custom.txt"), "--format", "custom", "--fields",
                            "Name", "--start-of-record", "[", "--end-of-record", "]\\n"}),
                   0);
        QCOMPARE(readFile(path("custom.txt")), readFile(data("people-custom.txt")));

        // Importing again into the fields named by the first row, skipping one column.
        const auto again = cli.run(
            {"import", doc, data("people.csv"), "--map", "first-row", "--column", "3=skip"});
        CLI_EXPECT(again, 0);
        QCOMPARE(again.out, QStringLiteral("Imported 2 records, added 0 fields\n"));
        const QJsonObject after = cli.info(doc);
        QCOMPARE(after.value("records").toArray().size(), 4);
        QCOMPARE(at(after, "records", 2).value("4").toString(), QStringLiteral("Rome"));
        QCOMPARE(at(after, "records", 2).value("5").toString(), QString());
        QCOMPARE(at(after, "records", 2).value("1").toInteger(), 4); // the header took 3

        CLI_EXPECT(cli.run({"export", doc, path("x.tsv"), "--start-of-file", "x"}), 2);
        CLI_EXPECT(cli.run({"export", doc, dir.path()}), 2); // a folder is no file to write
        CLI_EXPECT(cli.run({"import", doc, path("nothing.csv")}), 2);
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
