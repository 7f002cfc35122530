#include "clidriver.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

class CliTest : public QObject
{
    Q_OBJECT
private:
    CliDriver cli;
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    static QByteArray readAll(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeFile(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // A document with fields Name and City, two records and the three Prototypes of the
    // worked example.
    void makeExampleDocument(const QString& doc)
    {
        CLI_EXPECT(cli.run({"new", doc}), 0);
        CLI_EXPECT(cli.run({"field", "add", doc, "Name"}), 0);
        CLI_EXPECT(cli.run({"field", "add", doc, "City"}), 0);
        CLI_EXPECT(cli.run({"record", "add", doc, "Name=Ann", "City=Rome"}), 0);
        CLI_EXPECT(cli.run({"record", "add", doc, "Name=Bob", "City=Oslo"}), 0);
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--multi", "--folder", "--path", "<Name>"}),
                   0);
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--multi", "--path", "<Name>/card.txt",
                            "--text", "Hello <Name>, n. <#>"}),
                   0);
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--one", "--path", "list.txt", "--head",
                            "List: ", "--text", "<Name>", "--separator", ", ", "--foot", "."}),
                   0);
    }

private slots:
    void newDocumentShowsItsWholeContent()
    {
        const QString doc = path("new.quillory");
        CLI_EXPECT(cli.run({"new", doc}), 0);
        const QJsonObject info = cli.info(doc);
        QCOMPARE(info.value("appversion").toInt(), 10000);
        QCOMPARE(info.value("mainTabId").toString(), QStringLiteral("db"));
        QCOMPARE(info.value("secTabId").toString(), QStringLiteral("one"));
        QCOMPARE(info.value("destinationDefined").toBool(true), false);
        QVERIFY(info.value("destination").isNull());
        const QJsonArray fields = info.value("fields").toArray();
        QCOMPARE(fields.size(), 2);
        QCOMPARE(fields[0].toObject().value("publicKey").toString(), QStringLiteral("#"));
        QCOMPARE(fields[1].toObject().value("innerKey").toString(), QStringLiteral("2"));
        QVERIFY(info.value("records").toArray().isEmpty());
        QVERIFY(info.value("prototypes").toArray().isEmpty());

        // An existing document is never replaced by accident.
        const QByteArray before = readAll(doc);
        const auto again = cli.run({"new", doc});
        CLI_EXPECT(again, 2);
        QVERIFY(again.err.contains("already exists"));
        QCOMPARE(readAll(doc), before);
    }

    void fieldsAndRecordsAreEditedByName()
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
        // A blank name is refused and nothing changes.
        CLI_EXPECT(cli.run({"field", "rename", doc, "City", "   "}), 2);

        QJsonObject info = cli.info(doc);
        QJsonArray records = info.value("records").toArray();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0].toObject().value("1").toInteger(), 1);
        QCOMPARE(records[1].toObject().value("1").toInteger(), 2);
        QVERIFY(records[0].toObject().value("2").isBool());
        QCOMPARE(records[1].toObject().value("4").toString(), QStringLiteral("Oslo"));
        QCOMPARE(info.value("fields").toArray()[3].toObject().value("publicKey").toString(),
                 QStringLiteral("City"));

        CLI_EXPECT(cli.run({"record", "delete", doc, "1"}), 0);
        CLI_EXPECT(cli.run({"record", "delete", doc, "5"}), 2);
        CLI_EXPECT(cli.run({"field", "delete", doc, "City"}), 0);
        CLI_EXPECT(cli.run({"field", "delete", doc, "Nope"}), 2);
        info = cli.info(doc);
        records = info.value("records").toArray();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].toObject().value("3").toString(), QStringLiteral("Bob"));
        QVERIFY(!records[0].toObject().contains("4"));
        QCOMPARE(info.value("fields").toArray().size(), 3);
    }

    void prototypesItemsAndPreview()
    {
        const QString doc = path("proto.quillory");
        makeExampleDocument(doc);
        if (QTest::currentTestFailed())
            return;
        const auto items = cli.run({"items", doc});
        CLI_EXPECT(items, 0);
        QCOMPARE(items.out, QStringLiteral("<Name>/\tfolder\tmulti\t0\n"
                                           "<Name>/card.txt\tfile\tmulti\t1\n"
                                           "list.txt\tfile\tone\t2\n"));
        const auto name = cli.run({"preview", doc, "2", "--record", "2", "--name"});
        CLI_EXPECT(name, 0);
        QCOMPARE(name.out, QStringLiteral("Bob/card.txt"));
        const auto content = cli.run({"preview", doc, "2", "--record", "1", "--content"});
        QCOMPARE(content.out, QStringLiteral("Hello Ann, n. 1"));
        const auto list = cli.run({"preview", doc, "3", "--content"});
        QCOMPARE(list.out, QStringLiteral("List: Ann, Bob."));
        // A per-invocation default changes the counter text, and is not kept.
        const auto padded = cli.run({"--default", "forceLeading0ForField1=YES", "preview", doc, "2",
                                     "--record", "1", "--content"});
        QCOMPARE(padded.out, QStringLiteral("Hello Ann, n. 001"));
        QCOMPARE(cli.run({"preview", doc, "2", "--record", "1", "--content"}).out,
                 QStringLiteral("Hello Ann, n. 1"));
        CLI_EXPECT(cli.run({"preview", doc, "4"}), 2);

        // Templates can come from files; removal takes the 1-based position.
        writeFile(path("head.txt"), "Head from a file\n");
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--one", "--path", "h.txt", "--head",
                            "@" + path("head.txt")}),
                   0);
        QJsonArray protos = cli.info(doc).value("prototypes").toArray();
        QCOMPARE(protos.size(), 4);
        QCOMPARE(protos[3].toObject().value("head").toString(),
                 QStringLiteral("Head from a file\n"));
        QCOMPARE(protos[3].toObject().value("uuid").toString().size(), 36);
        CLI_EXPECT(cli.run({"prototype", "remove", doc, "1"}), 0);
        protos = cli.info(doc).value("prototypes").toArray();
        QCOMPARE(protos.size(), 3);
        QCOMPARE(protos[0].toObject().value("path").toString(), QStringLiteral("<Name>/card.txt"));
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--one", "--multi", "--path", "x"}), 2);
    }

    void runLogsEveryStepAndNeverOverwrites()
    {
        const QString doc = path("run.quillory");
        makeExampleDocument(doc);
        if (QTest::currentTestFailed())
            return;
        const auto noDestination = cli.run({"run", doc});
        CLI_EXPECT(noDestination, 3);
        QVERIFY(
            noDestination.err.contains("A destination was not set to save the merge operations"));

        QTemporaryDir out;
        CLI_EXPECT(cli.run({"destination", doc, out.path()}), 0);
        QCOMPARE(cli.info(doc).value("destination").toString(), QDir(out.path()).canonicalPath());
        const QByteArray stored = readAll(doc);
        const QString rule = "\n" + QString(60, '-');
        const QString P = QDir(out.path()).canonicalPath();
        const auto first = cli.run({"run", doc});
        CLI_EXPECT(first, 0);
        QCOMPARE(first.out, "\nStart merging data and save folders inside : " + P + rule +
                                "\nCreated folder: Ann/\nCreated folder: Bob/"
                                "\nCreated file: Ann/card.txt\nCreated file: Bob/card.txt"
                                "\nCreated file: list.txt" +
                                rule + "\nTotally created 2 folders and 3 files." + rule);
        QCOMPARE(readAll(out.filePath("Ann/card.txt")), QByteArray("Hello Ann, n. 1"));
        QCOMPARE(readAll(out.filePath("list.txt")), QByteArray("List: Ann, Bob."));
        QCOMPARE(readAll(doc), stored); // a run never writes the document

        writeFile(out.filePath("Bob/card.txt"), "edited by hand");
        const auto second = cli.run({"run", doc});
        CLI_EXPECT(second, 0);
        QVERIFY(second.out.contains("\nSkipped attempt to overwrite file: Ann/card.txt"
                                    "\nSkipped attempt to overwrite file: Bob/card.txt"
                                    "\nSkipped attempt to overwrite file: list.txt"));
        QVERIFY(second.out.contains("\nTotally created 0 folders and 0 files."));
        QCOMPARE(readAll(out.filePath("Bob/card.txt")), QByteArray("edited by hand"));

        // --destination leaves the stored one alone; a value with ':' is an error (exit 1).
        CLI_EXPECT(cli.run({"record", "add", doc, "Name=a:b"}), 0);
        const QByteArray before = readAll(doc);
        QTemporaryDir other;
        const auto elsewhere = cli.run({"run", doc, "--destination", other.path()});
        CLI_EXPECT(elsewhere, 1);
        QVERIFY(elsewhere.out.contains("One per Record section merging record n. 3"));
        QVERIFY(QFile::exists(other.filePath("Ann/card.txt")));
        QCOMPARE(readAll(doc), before);
        QCOMPARE(cli.info(doc).value("destination").toString(), P);

        // A destination that went away is reported, not recreated.
        QTemporaryDir gone;
        CLI_EXPECT(cli.run({"destination", doc, gone.path()}), 0);
        QVERIFY(gone.remove());
        const auto missing = cli.run({"run", doc});
        CLI_EXPECT(missing, 3);
        QVERIFY(missing.err.contains("You need to set again a destination"));
        CLI_EXPECT(cli.run({"destination", doc, gone.path()}), 3);
    }

    void importThenExportGivesTheTableBack()
    {
        const QString doc = path("import.quillory");
        const QByteArray csv = "Name,City,Note\nAnn,Rome,\"likes, commas\"\nB\xc3\xb8" "b,Oslo,\n";
        writeFile(path("in.csv"), csv);
        CLI_EXPECT(cli.run({"new", doc}), 0);
        const auto imported = cli.run({"import", doc, path("in.csv"), "--header-names"});
        CLI_EXPECT(imported, 0);
        QCOMPARE(imported.out, QStringLiteral("Imported 2 records, added 3 fields\n"));
        const QJsonObject info = cli.info(doc);
        QCOMPARE(info.value("fields").toArray()[4].toObject().value("publicKey").toString(),
                 QStringLiteral("Note"));
        QCOMPARE(info.value("records").toArray()[1].toObject().value("3").toString(),
                 QString::fromUtf8("B\xc3\xb8" "b"));

        CLI_EXPECT(cli.run({"export", doc, path("out.csv"), "--format", "csv", "--header"}), 0);
        QCOMPARE(readAll(path("out.csv")),
                 QByteArray("\"Name\",\"City\",\"Note\"\n\"Ann\",\"Rome\",\"likes, commas\"\n"
                            "\"B\xc3\xb8" "b\",\"Oslo\",\"\""));
        CLI_EXPECT(cli.run({"export", doc, path("out.tsv"), "--fields", "City,Name"}), 0);
        QCOMPARE(readAll(path("out.tsv")), QByteArray("Rome\tAnn\nOslo\tB\xc3\xb8" "b"));
        CLI_EXPECT(cli.run({"export", doc, path("custom.txt"), "--format", "custom", "--fields",
                            "Name", "--start-of-record", "[", "--end-of-record", "]\\n"}),
                   0);
        QCOMPARE(readAll(path("custom.txt")), QByteArray("[Ann]\n[B\xc3\xb8" "b]\n"));

        // Importing again into existing fields by name, skipping the header and one column.
        const auto again =
            cli.run({"import", doc, path("in.csv"), "--map", "first-row", "--column", "3=skip"});
        CLI_EXPECT(again, 0);
        QCOMPARE(again.out, QStringLiteral("Imported 2 records, added 0 fields\n"));
        const QJsonArray records = cli.info(doc).value("records").toArray();
        QCOMPARE(records.size(), 4);
        QCOMPARE(records[2].toObject().value("4").toString(), QStringLiteral("Rome"));
        QCOMPARE(records[2].toObject().value("5").toString(), QString());
        QCOMPARE(records[2].toObject().value("1").toInteger(), 4); // the header took 3

        CLI_EXPECT(cli.run({"export", doc, path("x.tsv"), "--start-of-file", "x"}), 2);
        CLI_EXPECT(cli.run({"export", doc, dir.path()}), 2); // a folder is no file to write
        CLI_EXPECT(cli.run({"import", doc, path("nothing.csv")}), 2);
    }

    void badUsageAndUnreadableDocuments()
    {
        CLI_EXPECT(cli.run({}), 2);
        CLI_EXPECT(cli.run({"frobnicate"}), 2);
        CLI_EXPECT(cli.run({"info"}), 2);
        const auto help = cli.run({"run", "--help"});
        CLI_EXPECT(help, 0);
        QVERIFY(help.out.contains("--destination"));
        writeFile(path("garbage.quillory"), "this is not an archive");
        const auto garbage = cli.run({"info", path("garbage.quillory")});
        CLI_EXPECT(garbage, 2);
        QVERIFY(garbage.err.contains("garbage.quillory"));
        CLI_EXPECT(cli.run({"info", path("missing.quillory")}), 2);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
