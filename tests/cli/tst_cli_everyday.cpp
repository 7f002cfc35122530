#include "archive/documentcodec.h"
#include "clidriver.h"
#include "core/dict.h"
#include "core/document.h"
#include "core/release.h"
#include "core/tabids.h"
#include "support/scratchfolder.h"
#include "support/testdata.h"

#include <QDir>
#include <QJsonArray>

#include <sys/stat.h>
#include <sys/types.h>

using namespace quillory;
using namespace quillory::test;

// The tool in everyday scripts: pipes and devices, usage errors, seeing a run before doing it.
class CliEverydayTest : public QObject
{
    Q_OBJECT
private:
    CliDriver cli;
    ScratchFolder dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Name and City; Ann in Rome and Bob in Oslo; one file per record, "<Name>.txt".
    void makeDocument(const QString& doc, const QString& text = "Hi <Name>")
    {
        cli.makePeople(doc);
        CLI_EXPECT(
            cli.run({"prototype", "add", doc, "--multi", "--path", "<Name>.txt", "--text", text}),
            0);
    }
    static bool isFifo(const QString& p)
    {
        struct stat st;
        return ::lstat(QFile::encodeName(p).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
    }

private slots:
    void exportWritesStreamsInPlaceAndRefusesToReplaceFiles()
    {
        const QString doc = path("export.quillory");
        makeDocument(doc);
        const auto toStdout = cli.run({"export", doc, "-", "--fields", "Name,City"});
        CLI_EXPECT(toStdout, 0);
        QCOMPARE(toStdout.out, QStringLiteral("Ann\tRome\nBob\tOslo"));
        QVERIFY(toStdout.err.contains("Exported 2 records"));
        QVERIFY(!QFileInfo::exists(path("-")));

        // A FIFO is written through, and is still a FIFO afterwards.
        const QString fifo = path("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess reader;
        reader.start("cat", {fifo});
        QVERIFY(reader.waitForStarted());
        CLI_EXPECT(cli.run({"export", doc, fifo, "--fields", "Name"}), 0);
        QVERIFY(reader.waitForFinished(10000));
        QCOMPARE(reader.readAllStandardOutput(), QByteArray("Ann\nBob"));
        QVERIFY(isFifo(fifo));

        // A character device is written in place, never renamed over.
        CLI_EXPECT(cli.run({"export", doc, "/dev/null"}), 0);
        QVERIFY(QFileInfo("/dev/null").exists() && !QFileInfo("/dev/null").isFile());

        QVERIFY(writeFile(path("kept.tsv"), "mine"));
        const auto refused = cli.run({"export", doc, path("kept.tsv")});
        CLI_EXPECT(refused, 2);
        QVERIFY(refused.err.contains("already exists (use --force to replace it)"));
        QCOMPARE(readFile(path("kept.tsv")), QByteArray("mine"));
        CLI_EXPECT(cli.run({"export", doc, path("kept.tsv"), "--force", "--fields", "City"}), 0);
        QCOMPARE(readFile(path("kept.tsv")), QByteArray("Rome\nOslo"));
    }

    void importReadsStandardInputAndFifos()
    {
        const QString doc = path("stdin.quillory");
        CLI_EXPECT(cli.run({"new", doc}), 0);
        // A spreadsheet's export: byte-order mark, semicolons, CRLF.
        const QByteArray sheet = "\xEF\xBB\xBFName;City\r\nAnn;Rome\r\nB\xC3\xB8"
                                 "b;Oslo\r\n";
        const auto piped = cli.run({"import", doc, "-", "--header-names"}, sheet);
        CLI_EXPECT(piped, 0);
        QCOMPARE(piped.err, QStringLiteral("Imported 2 records, added 2 fields\n"));
        QJsonObject info = cli.info(doc);
        QCOMPARE(at(info, "fields", 2).value("publicKey").toString(), QStringLiteral("Name"));
        QCOMPARE(at(info, "records", 1).value("3").toString(), QStringLiteral("Bøb"));

        const QString fifo = path("rows");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess writer;
        writer.start("/bin/sh", {"-c", "printf 'Cid;Lima\\n' > \"$0\"", fifo});
        QVERIFY(writer.waitForStarted());
        CLI_EXPECT(cli.run({"import", doc, fifo, "--map", "cascade", "--format", "semicolon"}), 0);
        QVERIFY(writer.waitForFinished(10000));
        info = cli.info(doc);
        QCOMPARE(info.value("records").toArray().size(), 3);
        QCOMPARE(at(info, "records", 2).value("4").toString(), QStringLiteral("Lima"));
    }

    // Rows: what the file holds. None of them has a row: nothing may change.
    void importOfNoRowsChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("blank lines") << QByteArray("\n\n\r\n");
        QTest::newRow("white space only") << QByteArray("\n\n  \n\t \r\n");
    }
    void importOfNoRowsChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        const QString doc = path(QStringLiteral("norows %1.quillory").arg(QTest::currentDataTag()));
        CLI_EXPECT(cli.run({"new", doc}), 0);
        const QByteArray before = readFile(doc);
        const QString file =
            dir.writeFile(QStringLiteral("%1.csv").arg(QTest::currentDataTag()), bytes);
        const auto fromFile = cli.run({"import", doc, file});
        CLI_EXPECT(fromFile, 2);
        QCOMPARE(fromFile.err, "quillory-cli: no rows in " + file + "; nothing changed\n");
        const auto fromStdin = cli.run({"import", doc, "-"}, bytes);
        CLI_EXPECT(fromStdin, 2);
        QVERIFY(fromStdin.err.contains("no rows in standard input"));
        QCOMPARE(readFile(doc), before);
    }

    // Rows: a file that is not text, refused at its first part with NUL bytes whatever its
    // size (an endless device, a sparse file).
    void importRefusesWhatIsNotText_data()
    {
        QTest::addColumn<QString>("file"); // "" for one made here
        QTest::addColumn<qint64>("textBytes");
        QTest::addColumn<qint64>("size"); // the rest a hole of NUL bytes
        QTest::newRow("an endless device") << "/dev/zero" << qint64(0) << qint64(0);
        QTest::newRow("NUL bytes after 200 KB of text") << "" << qint64(200000) << qint64(200010);
        QTest::newRow("a sparse file of 3 GiB") << "" << qint64(0) << (qint64(3) << 30);
    }
    void importRefusesWhatIsNotText()
    {
        QFETCH(QString, file);
        QFETCH(qint64, textBytes);
        QFETCH(qint64, size);
        const QString doc = path(QStringLiteral("binary %1.quillory").arg(QTest::currentDataTag()));
        CLI_EXPECT(cli.run({"new", doc}), 0);
        const QByteArray before = readFile(doc);
        if (file.isEmpty()) {
            file = path(QStringLiteral("%1.csv").arg(QTest::currentDataTag()));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            const QByteArray line(999, 'x');
            for (qint64 written = 0; written < textBytes; written += 1000)
                QVERIFY(f.write(line.left(qMin<qint64>(999, textBytes - written - 1)) + "\n") > 0);
            QVERIFY(f.resize(qMax(size, f.size())));
        }
        const auto r = cli.run({"import", doc, file});
        CLI_EXPECT(r, 2);
        QVERIFY2(r.err.contains(file + " holds NUL bytes: it is not a text file") &&
                     r.err.endsWith("; nothing changed\n"),
                 qPrintable(r.err));
        QCOMPARE(readFile(doc), before);
        if (file != "/dev/zero")
            QFile::remove(file);
    }

    // A record holding 30 dictionaries, each holding the one below twice (2^30 paths in 31
    // objects): info prints each once and refers to it after, and a run into the stored
    // destination finishes.
    void aSharedContainerPrintsAndRunsOnce()
    {
        const QString doc = path("shared.quillory");
        makeDocument(doc, "<City>");
        QTemporaryDir out;
        CLI_EXPECT(cli.run({"destination", doc, out.path()}), 0);
        QString cityKey;
        {
            Document d;
            QVERIFY(DocumentCodec::readFromFile(d, doc));
            DictPtr shared = Dict::make();
            for (int level = 0; level < 30; ++level) {
                DictPtr above = Dict::make();
                above->entries.emplace_back("a", Value::dict(shared));
                above->entries.emplace_back("b", Value::dict(shared));
                shared = above;
            }
            cityKey = d.keyArray()[size_t(d.keyIndicesForName("City").front())].innerKey;
            d.setRecordValue(d.dataArray()[0], cityKey, Value::dict(shared));
            QVERIFY(DocumentCodec::writeToFile(d, doc));
        }
        const auto info = cli.run({"info", doc, "--json"});
        CLI_EXPECT(info, 0);
        QVERIFY2(info.out.size() < 20000, qPrintable(QString::number(info.out.size())));
        const QJsonObject top =
            at(QJsonDocument::fromJson(info.out.toUtf8()).object(), "records", 0);
        const QJsonObject city = top[cityKey].toObject();
        QCOMPARE(city["b"].toObject()["$ref"].toString(), "#/records/0/" + cityKey + "/a");
        CLI_EXPECT(cli.run({"run", doc}), 0);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList({"Ann.txt", "Bob.txt"}));
    }

    // The saved tabs are the window's: no command of the tool changes them, whatever it does.
    void commandsLeaveTheSavedTabsAsTheyWere()
    {
        const QString doc = path("tabs.quillory");
        {
            Document shown;
            shown.setSavedTabs(TabIds::kMerge, TabIds::kOnePerRecord);
            QVERIFY(DocumentCodec::writeToFile(shown, doc));
        }
        QTemporaryDir out;
        const QString rows = dir.writeFile("tabs.tsv", "Cid\tLima\n");
        const QList<QStringList> steps{{"field", "add", doc, "Name"},
                                       {"field", "add", doc, "City"},
                                       {"record", "add", doc, "Name=Ann"},
                                       {"record", "set", doc, "1", "City=Rome"},
                                       {"destination", doc, out.path()},
                                       {"prototype", "add", doc, "--multi", "--path", "<Name>.txt"},
                                       {"import", doc, rows, "--map", "cascade"},
                                       {"run", doc},
                                       {"import", doc, rows, "--map", "cascade", "--replace"},
                                       {"record", "delete", doc, "1"},
                                       {"prototype", "remove", doc, "1"},
                                       {"field", "rename", doc, "City", "Town"},
                                       {"field", "delete", doc, "Town"},
                                       {"record", "add", doc},
                                       {"record", "delete", doc, "--all"}};
        for (const QStringList& step : steps) {
            const QByteArray before = readFile(doc);
            CLI_EXPECT(cli.run(step), 0);
            // Read apart from the tool: every step but the run wrote the document.
            QCOMPARE(readFile(doc) == before, step.front() == QLatin1String("run"));
            const Result<DocumentContents> read = DocumentCodec::contentsOfFile(doc);
            QVERIFY2(read, qPrintable(read.message()));
            QCOMPARE(read->mainTabId, TabIds::kMerge);
            QCOMPARE(read->secTabId, TabIds::kOnePerRecord);
        }
        QVERIFY(QFileInfo::exists(out.filePath("Ann.txt")));
    }

    // A new record is numbered after the largest counter there is, whatever was deleted; after
    // a replacing import the numbers start again from the file's rows.
    void addedRecordsFollowTheLargestCounter()
    {
        const QString doc = path("counters.quillory");
        CLI_EXPECT(cli.run({"new", doc}), 0);
        CLI_EXPECT(cli.run({"field", "add", doc, "Name"}), 0);
        const auto add = [&] { return cli.run({"record", "add", doc}).err; };
        QCOMPARE(add(), QStringLiteral("Added record 1 (counter 1)\n"));
        QCOMPARE(add(), QStringLiteral("Added record 2 (counter 2)\n"));
        QCOMPARE(add(), QStringLiteral("Added record 3 (counter 3)\n"));
        CLI_EXPECT(cli.run({"record", "delete", doc, "1-2"}), 0);
        QCOMPARE(add(), QStringLiteral("Added record 2 (counter 4)\n"));
        CLI_EXPECT(cli.run({"import", doc, "-", "--replace", "--map", "cascade"}, "Ann\nBob\n"), 0);
        QCOMPARE(add(), QStringLiteral("Added record 3 (counter 3)\n"));
        const QJsonArray records = cli.info(doc).value("records").toArray();
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[0].toObject().value("1").toInt(), 1);
        QCOMPARE(records[0].toObject().value("3").toString(), QStringLiteral("Ann"));
    }

    void aFailedSaveReportsNoSuccessAndSaysWhy()
    {
        const QString doc = path("full.quillory");
        makeDocument(doc);
        // Grow the document past a small file-size limit.
        const QString big = QString(4000, 'x');
        const QByteArray before = readFile(doc);
        const auto added = cli.run({"record", "add", doc, "Name=" + big}, {}, before.size() + 512);
        CLI_EXPECT(added, 2);
        QVERIFY2(added.out.isEmpty(), qPrintable(added.out));
        QVERIFY2(added.err.contains("File too large"), qPrintable(added.err));
        QCOMPARE(readFile(doc), before);
    }

    // Rows: arguments, how stderr starts (all exit 2). Arguments holding "%1" stay as typed.
    void versionAndShortHelp()
    {
        for (const char* v : {"--version", "-V"})
            QCOMPARE(cli.run({v}).out, QStringLiteral("quillory-cli %1\n").arg(Release::kVersion));
        const auto help = cli.run({"prototype", "-h"});
        CLI_EXPECT(help, 0);
        QVERIFY(help.out.contains("--separator"));
    }

    void usageErrorsSayWhatWasMeant_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("command") << QStringList{"rnu"}
                                 << "quillory-cli: unknown command 'rnu' (did you mean 'run'?)";
        QTest::newRow("option") << QStringList{"run", "DOC", "--dest", "x"}
                                << "quillory-cli: unknown option '--dest' (did you mean "
                                   "'--destination'?)";
        QTest::newRow("field") << QStringList{"record", "add", "DOC", "Nmae=x"}
                               << "quillory-cli: no field named 'Nmae' (did you mean 'Name'?)";
        QTest::newRow("encoding") << QStringList{"import", "DOC", "-", "--encoding", "windows1252"}
                                  << "quillory-cli: unknown encoding 'windows1252' (did you mean "
                                     "'windows-1252'?)\nTry 'quillory-cli import --help'";
        QTest::newRow("user default") << QStringList{"--default", "forcedTotLen=3", "info", "DOC"}
                                      << "quillory-cli: unknown user default 'forcedTotLen' (did "
                                         "you mean 'forcedTotLenField1'?); the keys are ";
        QTest::newRow("length not whole")
            << QStringList{"--default", "forcedTotLenField1=5.7", "info", "DOC"}
            << "quillory-cli: user default 'forcedTotLenField1' takes a whole number from 0 to 9, "
               "not '5.7'\nTry";
        QTest::newRow("length negative")
            << QStringList{"--default=forcedTotLenField1=-1", "info", "DOC"}
            << "quillory-cli: user default 'forcedTotLenField1' takes a whole number from 0 to 9";
        QTest::newRow("not a boolean")
            << QStringList{"--default", "useLeading0ForField1=maybe", "info", "DOC"}
            << "quillory-cli: user default 'useLeading0ForField1' takes true or false";
        QTest::newRow("not a number")
            << QStringList{"--default", "StartupActionTag=abc", "info", "DOC"}
            << "quillory-cli: user default 'StartupActionTag' takes a "
               "whole number, not 'abc'";
        QTest::newRow("far from all")
            << QStringList{"xyzzy"} << "quillory-cli: unknown command 'xyzzy'\nTry";
        QTest::newRow("item as typed") << QStringList{"preview", "DOC", "%1"}
                                       << "quillory-cli: no item %1 ('items' lists 1)\n";
        QTest::newRow("record as typed") << QStringList{"preview", "DOC", "1", "--record", "%2"}
                                         << "quillory-cli: no record %2 (the document has 2)\n";
        QTest::newRow("Prototype as typed")
            << QStringList{"prototype", "remove", "DOC", "%1"}
            << "quillory-cli: no Prototype %1 (the document has 1)\n";
        QTest::newRow("set record as typed") << QStringList{"record", "set", "DOC", "%1", "Name=x"}
                                             << "quillory-cli: no record %1 (the document has 2)\n";
        QTest::newRow("field as typed") << QStringList{"record", "add", "DOC", "%1%2=x"}
                                        << "quillory-cli: no field named '%1%2'\n";
    }
    void usageErrorsSayWhatWasMeant()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        const QString doc = path(QStringLiteral("usage %1.quillory").arg(QTest::currentDataTag()));
        makeDocument(doc);
        args.replaceInStrings(QRegularExpression("^DOC$"), doc);
        const auto r = cli.run(args);
        CLI_EXPECT(r, 2);
        // A row that ends its line is the whole message.
        QVERIFY2(error.endsWith(u'\n') ? r.err == error : r.err.startsWith(error),
                 qPrintable(r.err));
    }

    // A dry run tells what a run would do, into folders it only pretended to make too, and
    // creates nothing; its status and the run's on a refused name are checked with --json.
    void dryRunCreatesNothingAndTellsWhatARunWould()
    {
        const QString doc = path("dry.quillory");
        makeDocument(doc);
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--multi", "--folder", "--path", "<Name>"}),
                   0);
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--multi", "--path", "<Name>/sub/card.txt"}),
                   0);
        // A second Ann: the dry run pretends to have made the first Ann.txt.
        CLI_EXPECT(cli.run({"record", "add", doc, "Name=Ann"}), 0);
        QTemporaryDir out;
        QVERIFY(writeFile(out.filePath("Bob.txt"), "before"));
        const auto dry = cli.run({"run", doc, "--destination", out.path(), "--dry-run"});
        CLI_EXPECT(dry, 0);
        for (const char* line :
             {"\nWould create file: Ann.txt\n", "\nWould skip existing file: Bob.txt\n",
              "\nWould create folder: Ann/sub/\n", "\nWould create file: Ann/sub/card.txt\n"})
            QVERIFY2(dry.out.contains(line), qPrintable(dry.out));
        // What frames the log is status, on stderr; stdout holds the log alone.
        QCOMPARE(dry.err, QStringLiteral("Dry run: nothing is created; each line says what a run "
                                         "would do now.\nIt would skip 3 existing files and log 0 "
                                         "errors. Nothing was created.\n"));
        QCOMPARE(dry.out.count("Would create file: Ann.txt"), 1);
        QCOMPARE(dry.out.count("Would skip existing file: Ann.txt"), 1);
        QCOMPARE(QDir(out.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{"Bob.txt"});
        const auto real = cli.run({"run", doc, "--destination", out.path()});
        CLI_EXPECT(real, 0);
        QCOMPARE(dry.out.count("Would create"), real.out.count("Created "));
    }

    // Rows: a command that changes the document, what it reports. The report is a status line:
    // stderr, so that stdout carries only data.
    void statusLinesGoToStderr_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("status");
        QTest::newRow("field add")
            << QStringList{"field", "add", "DOC", "City"} << "Added field 'City'";
        QTest::newRow("prototype add")
            << QStringList{"prototype", "add", "DOC", "--one", "--path", "x.txt"}
            << "Added Prototype ";
        QTest::newRow("destination") << QStringList{"destination", "DOC", "DIR"} << "Destination: ";
        QTest::newRow("import") << QStringList{"import", "DOC", "-", "--map", "new"}
                                << "Imported 1 records, added 2 fields";
    }
    void statusLinesGoToStderr()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, status);
        const QString doc = path(QStringLiteral("status %1.quillory").arg(QTest::currentDataTag()));
        makeDocument(doc);
        QTemporaryDir dest;
        args.replaceInStrings(QRegularExpression("^DOC$"), doc);
        args.replaceInStrings(QRegularExpression("^DIR$"), dest.path());
        const auto r = cli.run(args, "a\tb\n");
        CLI_EXPECT(r, 0);
        QVERIFY2(r.err.startsWith(status), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }

    void runJsonGivesOneEventPerLine()
    {
        const QString doc = path("json.quillory");
        makeDocument(doc);
        CLI_EXPECT(cli.run({"record", "add", doc, "Name=a:b"}), 0);
        CLI_EXPECT(cli.run({"prototype", "add", doc, "--one", "--folder", "--path", "all"}), 0);
        QTemporaryDir out;
        QVERIFY(writeFile(out.filePath("Bob.txt"), "before"));
        for (const bool dry : {true, false}) {
            QStringList args{"run", doc, "--destination", out.path(), "--json"};
            if (dry)
                args << "--dry-run";
            const auto r = cli.run(args);
            CLI_EXPECT(r, 1);
            QStringList events;
            for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
                const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
                QVERIFY2(!o.isEmpty(), qPrintable(line));
                events << o.value("event").toString() + ' ' + o.value("path").toString() +
                              o.value("item").toString() +
                              (o.contains("record")
                                   ? ' ' + QString::number(o.value("record").toInteger())
                                   : QString());
                if (o.value("event") == "totals")
                    QCOMPARE(o.value("dryRun").toBool(), dry);
            }
            QCOMPARE(events, (QStringList{"file created Ann.txt", "skipped Bob.txt",
                                          "error <Name>.txt 3", "folder created all", "totals "}));
            QCOMPARE(readFile(out.filePath("Bob.txt")), QByteArray("before"));
        }
        // Run again: every file exists now, and the totals say so.
        const auto again = cli.run({"run", doc, "--destination", out.path(), "--json"});
        CLI_EXPECT(again, 1);
        const QJsonObject totals =
            QJsonDocument::fromJson(again.out.split('\n', Qt::SkipEmptyParts).last().toUtf8())
                .object();
        QCOMPARE(totals, (QJsonObject{{"event", "totals"},
                                      {"foldersCreated", 0},
                                      {"filesCreated", 0},
                                      {"filesSkipped", 2},
                                      {"errors", 1},
                                      {"dryRun", false}}));
    }

    void unknownTagsWarnAndStrictRefuses()
    {
        const QString doc = path("tags.quillory");
        makeDocument(doc, "Dear <Nmae> of <City>, <#> <Y>");
        const QString warning = "warning: Prototype 1 uses <Nmae>, which is no field or tag; it "
                                "is kept as text\n";
        for (const QStringList& args :
             {QStringList{"items", doc}, QStringList{"preview", doc, "1"}})
            QCOMPARE(cli.run(args).err, warning);
        QTemporaryDir out;
        const auto strict = cli.run({"run", doc, "--destination", out.path(), "--strict"});
        CLI_EXPECT(strict, 2);
        QVERIFY(strict.err.contains("Prototype 1 uses <Nmae>"));
        QVERIFY(QDir(out.path()).isEmpty());
        const auto run = cli.run({"run", doc, "--destination", out.path(), "--quiet"});
        CLI_EXPECT(run, 0);
        QCOMPARE(run.err, warning);
        QCOMPARE(run.out, QStringLiteral("\nTotally created 0 folders and 2 files.\n"));
        QCOMPARE(readFile(out.filePath("Ann.txt")).left(17), QByteArray("Dear <Nmae> of Ro"));
    }

    void replaceAndDeleteRangesKeepADocumentCurrent()
    {
        const QString doc = path("current.quillory");
        makeDocument(doc);
        for (int i = 0; i < 5; ++i)
            CLI_EXPECT(cli.run({"record", "add", doc, "Name=" + QString::number(i)}), 0);
        CLI_EXPECT(cli.run({"record", "delete", doc, "2-4,6"}), 0);
        QJsonObject info = cli.info(doc);
        QStringList names;
        for (const QJsonValue r : info.value("records").toArray())
            names << r.toObject().value("3").toString();
        QCOMPARE(names, (QStringList{"Ann", "2", "4"})); // Ann Bob 0 1 2 3 4 before
        CLI_EXPECT(cli.run({"record", "delete", doc, "3-2"}), 2);

        const auto replaced = cli.run({"import", doc, "-", "--map", "cascade", "--replace"},
                                      "Eve\tNice\nFay\tBonn\n");
        CLI_EXPECT(replaced, 0);
        info = cli.info(doc);
        QCOMPARE(info.value("records").toArray().size(), 2);
        QCOMPARE(at(info, "records", 0).value("1").toInteger(), 1);
        QCOMPARE(at(info, "records", 1).value("4").toString(), QStringLiteral("Bonn"));
    }

    // Rows: the bytes of "café", the encoding given, whether a Mac OS Roman warning is due.
    void encodingsFromOtherSystems_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("warned");
        QTest::newRow("windows-1252")
            << QByteArray("caf\xE9 \x80") << "windows-1252" << QString("café €") << false;
        QTest::newRow("auto falls back")
            << QByteArray("caf\x8E") << "auto" << QString("café") << true;
        QTest::newRow("auto utf-8")
            << QByteArray("caf\xC3\xA9") << "auto" << QString("café") << false;
        // NUL bytes belong to wide text: with a mark, or with the encoding named.
        QTest::newRow("auto utf-16 by its mark") << QByteArray("\xFF\xFE"
                                                               "c\0a\0f\0\xE9\0",
                                                               10)
                                                 << "auto" << QString("café") << false;
        QTest::newRow("utf16le named")
            << QByteArray("c\0a\0f\0\xE9\0", 8) << "utf16le" << QString("café") << false;
    }
    void encodingsFromOtherSystems()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QString, expected);
        QFETCH(bool, warned);
        const QString doc = path(QStringLiteral("enc %1.quillory").arg(QTest::currentDataTag()));
        CLI_EXPECT(cli.run({"new", doc}), 0);
        const QByteArray lineEnd = bytes.contains('\0') ? QByteArray("\n\0", 2) : "\n";
        const auto r = cli.run({"import", doc, "-", "--encoding", encoding}, bytes + lineEnd);
        CLI_EXPECT(r, 0);
        QCOMPARE(r.err.contains("--encoding windows-1252"), warned);
        QCOMPARE(at(cli.info(doc), "records", 0).value("3").toString(), expected);
    }
};

QTEST_GUILESS_MAIN(CliEverydayTest)
#include "tst_cli_everyday.moc"
