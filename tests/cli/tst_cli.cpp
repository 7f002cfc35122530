#include "archive/documentcodec.h"
#include "core/dict.h"
#include "core/document.h"
#include "core/release.h"
#include "core/tabids.h"
#include "support/scratchfolder.h"
#include "support/testdata.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace quillory;
using namespace quillory::test;

namespace {

struct CliResult
{
    int code = -1;
    QString out;
    QString err;
};

// Element i of the array under key k of an info object, as an object.
QJsonObject at(const QJsonObject& o, const char* k, int i)
{
    return o[k][i].toObject();
}

} // namespace

// Fails the test with the tool's own words when the status differs. The command runs once.
#define CLI_EXPECT(command, status)                                                                \
    do {                                                                                           \
        const CliResult r_ = (command);                                                            \
        QVERIFY2(r_.code == (status),                                                              \
                 qPrintable(QString("exit %1: %2").arg(r_.code).arg(r_.err)));                     \
    } while (false)

// quillory-cli run as a user runs it from scripts, with its settings kept in a private folder.
class CliTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_config;
    ScratchFolder dir;
    QString m_doc; // made by makeDocument, for the refusals, which must leave it as it is
    QByteArray m_stored;

    QString path(const QString& name) const { return dir.filePath(name); }

    // With input on standard input; fileSizeLimit (bytes, 0: none) makes every write past it
    // fail as on a full quota, with the system's "File too large".
    CliResult run(const QStringList& args, const QByteArray& input = {},
                  qint64 fileSizeLimit = 0) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        p.setProcessEnvironment(env);
        if (fileSizeLimit > 0) {
            // The shell ignores SIGXFSZ so that the tool sees the failed write, then becomes it.
            const QString limit = QString::number((fileSizeLimit + 511) / 512);
            p.start(QStringLiteral("/bin/sh"),
                    QStringList{"-c", "trap '' XFSZ; ulimit -f " + limit + "; exec \"$0\" \"$@\"",
                                QStringLiteral(QUILLORY_CLI_PATH)} +
                        args);
        } else {
            p.start(QStringLiteral(QUILLORY_CLI_PATH), args);
        }
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QJsonObject info(const QString& doc) const
    {
        return QJsonDocument::fromJson(run({"info", doc, "--json"}).out.toUtf8()).object();
    }
    QStringList names(const QString& doc) const
    {
        QStringList out;
        for (const QJsonValue r : info(doc).value("records").toArray())
            out << r.toObject().value("3").toString();
        return out;
    }

    // Runs each command on doc (where an argument says DOC); each must succeed.
    QString prepare(const QString& doc, const QList<QStringList>& commands) const
    {
        for (QStringList args : commands) {
            args.replaceInStrings(QRegularExpression("^DOC$"), doc);
            if (const CliResult r = run(args); r.code != 0)
                QTest::qFail(qPrintable(args.join(u' ') + ": " + r.err), __FILE__, __LINE__);
        }
        return doc;
    }
    // A new document with the fields Name and City and the records Ann in Rome, Bob in Oslo.
    QString makePeople(const QString& name) const
    {
        return prepare(path(name), {{"new", "DOC"},
                                    {"field", "add", "DOC", "Name"},
                                    {"field", "add", "DOC", "City"},
                                    {"record", "add", "DOC", "Name=Ann", "City=Rome"},
                                    {"record", "add", "DOC", "Name=Bob", "City=Oslo"}});
    }
    // The people and one file per record, "<Name>.txt", holding text.
    QString makeDocument(const QString& name, const QString& text = "Hi <Name>") const
    {
        return prepare(makePeople(name), {{"prototype", "add", "DOC", "--multi", "--path",
                                           "<Name>.txt", "--text", text}});
    }
    // The people and three Prototypes: a folder and a file per record, and one list of all.
    QString makeExampleDocument(const QString& name) const
    {
        return prepare(makePeople(name),
                       {{"prototype", "add", "DOC", "--multi", "--folder", "--path", "<Name>"},
                        {"prototype", "add", "DOC", "--multi", "--path", "<Name>/card.txt",
                         "--text", "Hello <Name>, n. <#>"},
                        {"prototype", "add", "DOC", "--one", "--path", "list.txt", "--head",
                         "List: ", "--text", "<Name>", "--separator", ", ", "--foot", "."}});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        m_doc = makeDocument("refusals.quillory");
        m_stored = readFile(m_doc);
        dir.writeFile("garbage.quillory", "this is not an archive");
    }

    // Rows: arguments, what stderr holds (all of it when the row ends its line), the exit
    // status, what standard input holds. DOC is m_doc, which none may change; DIR the scratch
    // folder; INPUT a file holding the input instead. Arguments holding "%1" stay as typed.
    void refusalsSayWhyAndChangeNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("input");
        const auto row = [](const char* tag, const QStringList& args, const QString& error,
                            int status = 2, const QByteArray& input = {}) {
            QTest::newRow(tag) << args << error << status << input;
        };
        const QString me = "quillory-cli: ";
        row("command", {"rnu"}, me + "unknown command 'rnu' (did you mean 'run'?)");
        row("option", {"run", "DOC", "--dest", "x"},
            me + "unknown option '--dest' (did you mean '--destination'?)");
        row("field", {"record", "add", "DOC", "Nmae=x"},
            me + "no field named 'Nmae' (did you mean 'Name'?)");
        row("encoding", {"import", "DOC", "-", "--encoding", "windows1252"},
            me + "unknown encoding 'windows1252' (did you mean 'windows-1252'?)\nTry "
                 "'quillory-cli import --help'");
        row("format", {"export", "DOC", "-", "--format", "xlxs"}, "(did you mean 'xlsx'?)");
        row("user default", {"--default", "forcedTotLen=3", "info", "DOC"},
            me + "unknown user default 'forcedTotLen' (did you mean 'forcedTotLenField1'?); the "
                 "keys are ");
        row("length not whole", {"--default", "forcedTotLenField1=5.7", "info", "DOC"},
            me + "user default 'forcedTotLenField1' takes a whole number from 0 to 9, not "
                 "'5.7'\nTry");
        row("length negative", {"--default=forcedTotLenField1=-1", "info", "DOC"},
            me + "user default 'forcedTotLenField1' takes a whole number from 0 to 9");
        row("not a boolean", {"--default", "useLeading0ForField1=maybe", "info", "DOC"},
            me + "user default 'useLeading0ForField1' takes true or false");
        row("not a number", {"--default", "StartupActionTag=abc", "info", "DOC"},
            me + "user default 'StartupActionTag' takes a whole number, not 'abc'");
        row("far from all", {"xyzzy"}, me + "unknown command 'xyzzy'\nTry");
        row("item as typed", {"preview", "DOC", "%1"}, me + "no item %1 ('items' lists 1)\n");
        row("record as typed", {"preview", "DOC", "1", "--record", "%2"},
            me + "no record %2 (the document has 2)\n");
        row("Prototype as typed", {"prototype", "remove", "DOC", "%1"},
            me + "no Prototype %1 (the document has 1)\n");
        row("set record as typed", {"record", "set", "DOC", "%1", "Name=x"},
            me + "no record %1 (the document has 2)\n");
        row("field as typed", {"record", "add", "DOC", "%1%2=x"}, me + "no field named '%1%2'\n");
        row("new over a document", {"new", "DOC"},
            me + "'DIR/refusals.quillory' already exists (use --force to replace it)\n");
        row("blank field name", {"field", "rename", "DOC", "City", "   "},
            me + "a field name cannot be empty or white space only\n");
        row("field to delete", {"field", "delete", "DOC", "Nope"}, me + "no field named 'Nope'\n");
        row("descending range", {"record", "delete", "DOC", "2-1"},
            me + "the range '2-1' runs backwards\nTry 'quillory-cli record --help'");
        row("no destination", {"run", "DOC"},
            me + "A destination was not set to save the merge operations", 3);
        row("option of another format", {"export", "DOC", "DIR/x.tsv", "--start-of-file", "x"},
            me + "--start-of-file applies to --format custom only\n");
        row("export to a folder", {"export", "DOC", "DIR"},
            me + "cannot write the export file 'DIR': it is a folder\n");
        row("missing file", {"import", "DOC", "DIR/nothing.csv"},
            me + "cannot read 'DIR/nothing.csv': No such file or directory\n");
        row("not a document", {"info", "DIR/garbage.quillory"},
            me + "cannot open 'DIR/garbage.quillory': not a valid document");
        row("missing document", {"info", "DIR/missing.quillory"},
            me + "cannot open 'DIR/missing.quillory': No such file or directory\n");
        row("no rows in a file", {"import", "DOC", "INPUT"},
            me + "no rows in INPUT; nothing changed\n");
        row("blank lines", {"import", "DOC", "INPUT"}, me + "no rows in INPUT; nothing changed\n",
            2, "\n\n\r\n");
        row("white space on standard input", {"import", "DOC", "-"},
            me + "no rows in standard input", 2, "\n\n  \n\t \r\n");
        // Refused at its first part: an endless device is never read to its end.
        row("NUL bytes", {"import", "DOC", "/dev/zero"},
            me + "/dev/zero holds NUL bytes: it is not a text file (for UTF-16 or UTF-32 text "
                 "without a byte-order mark, name its encoding); nothing changed\n");
        row("workbook with a password", {"import", "DOC", "WORKBOOKS/password.xlsx"},
            me + "cannot import WORKBOOKS/password.xlsx: it is protected by a password (or is an "
                 "old .xls workbook); save a copy as .xlsx without a password in your spreadsheet "
                 "program and import that; nothing changed\n");
        row("no such sheet", {"import", "DOC", "WORKBOOKS/people.ods", "--sheet", "Nope"},
            "its sheets: Clients, Empty, Second");
        row("empty sheet", {"import", "DOC", "WORKBOOKS/people.xlsx", "--sheet", "Empty"},
            me + "no rows in WORKBOOKS/people.xlsx; nothing changed\n");
        row("sheet of a text", {"import", "DOC", "CLIDATA/people.csv", "--sheet", "1"},
            "--sheet applies to workbooks");
    }
    void refusalsSayWhyAndChangeNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        QFETCH(int, status);
        QFETCH(QByteArray, input);
        const QString inputFile =
            dir.writeFile(QStringLiteral("%1.csv").arg(QTest::currentDataTag()), input);
        const auto fill = [&](QString text) {
            return text.replace("DIR", dir.path())
                .replace("INPUT", inputFile)
                .replace("WORKBOOKS", testDataPath("exchange/workbooks"))
                .replace("CLIDATA", testDataPath("cli"));
        };
        for (QString& arg : args)
            arg = arg == "DOC" ? m_doc : fill(arg);
        error = fill(error);
        const CliResult r = run(args, args.contains(inputFile) ? QByteArray() : input);
        CLI_EXPECT(r, status);
        QVERIFY2(error.endsWith(u'\n') ? r.err == error : r.err.contains(error), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QCOMPARE(readFile(m_doc), m_stored);
    }

    void versionAndShortHelp()
    {
        for (const char* v : {"--version", "-V"})
            QCOMPARE(run({v}).out, QStringLiteral("quillory-cli %1\n").arg(Release::kVersion));
        const auto help = run({"prototype", "-h"});
        CLI_EXPECT(help, 0);
        QVERIFY(help.out.contains("--separator"));
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
        const QString doc =
            makeDocument(QStringLiteral("status %1.quillory").arg(QTest::currentDataTag()));
        args.replaceInStrings(QRegularExpression("^DOC$"), doc);
        args.replaceInStrings(QRegularExpression("^DIR$"), dir.path());
        const auto r = run(args, "a\tb\n");
        CLI_EXPECT(r, 0);
        QVERIFY2(r.err.startsWith(status), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }

    void fieldsAndRecordsAreEditedByNameOrInnerKey()
    {
        const QString doc =
            prepare(path("fields.quillory"), {{"new", "DOC"},
                                              {"field", "add", "DOC", "Name"},
                                              {"field", "add", "DOC"}, // KEY2
                                              {"field", "rename", "DOC", "KEY2", "Name"}});
        // Two fields are now called Name: the name alone is ambiguous.
        const auto ambiguous = run({"record", "add", doc, "Name=x"});
        CLI_EXPECT(ambiguous, 2);
        QVERIFY(ambiguous.err.contains("#3 or #4"));
        prepare(doc, {{"record", "add", "DOC", "#3=Ann", "#4=Rome"},
                      {"field", "rename", "DOC", "#4", "City"},
                      {"record", "set", "DOC", "1", "City=Oslo"}});
        QCOMPARE(at(info(doc), "records", 0).value("4").toString(), QStringLiteral("Oslo"));
        CLI_EXPECT(run({"field", "delete", doc, "City"}), 0);
        QCOMPARE(info(doc).value("fields").toArray().size(), 3);
    }

    // A new record is numbered after the largest counter there is, whatever was deleted; after
    // a replacing import the numbers start again from the file's rows.
    void recordsFollowTheLargestCounterAndDeleteByRanges()
    {
        const QString doc = makeDocument("records.quillory"); // Ann 1, Bob 2
        const auto add = [&](const QString& name) {
            return run({"record", "add", doc, "Name=" + name}).err;
        };
        for (const char* name : {"Cid", "Dee", "Eve"})
            add(name);
        CLI_EXPECT(run({"record", "delete", doc, "1-2,4"}), 0);
        QCOMPARE(names(doc), (QStringList{"Cid", "Eve"}));
        QCOMPARE(add("Fay"), QStringLiteral("Added record 3 (counter 6)\n"));
        CLI_EXPECT(run({"record", "delete", doc, "--all"}), 0);
        QCOMPARE(add("Gus"), QStringLiteral("Added record 1 (counter 1)\n"));

        CLI_EXPECT(
            run({"import", doc, "-", "--map", "cascade", "--replace"}, "Hal\tNice\nIda\tBonn\n"),
            0);
        QCOMPARE(add("Jon"), QStringLiteral("Added record 3 (counter 3)\n"));
        const QJsonObject after = info(doc);
        QCOMPARE(names(doc), (QStringList{"Hal", "Ida", "Jon"}));
        QCOMPARE(at(after, "records", 0).value("1").toInteger(), 1);
        QCOMPARE(at(after, "records", 1).value("4").toString(), QStringLiteral("Bonn"));
    }

    void prototypesItemsAndPreview()
    {
        const QString doc = makeExampleDocument("proto.quillory");
        const auto items = run({"items", doc});
        CLI_EXPECT(items, 0);
        QCOMPARE(items.out, QStringLiteral("1\t<Name>/\tfolder\tmulti\t1\n"
                                           "2\t<Name>/card.txt\tfile\tmulti\t2\n"
                                           "3\tlist.txt\tfile\tone\t3\n"));
        QCOMPARE(run({"preview", doc, "2", "--record", "2", "--name"}).out,
                 QStringLiteral("Bob/card.txt"));
        const QStringList content{"preview", doc, "2", "--record", "1", "--content"};
        // A default given for one invocation changes the counter text, and is not kept.
        QCOMPARE(run(QStringList{"--default", "forceLeading0ForField1=YES"} + content).out,
                 QStringLiteral("Hello Ann, n. 001"));
        QCOMPARE(run(content).out, QStringLiteral("Hello Ann, n. 1"));

        // Templates can come from files; removal takes the 1-based position.
        dir.writeFile("head.txt", "Head from a file\n");
        CLI_EXPECT(run({"prototype", "add", doc, "--one", "--path", "h.txt", "--head",
                        "@" + path("head.txt")}),
                   0);
        QCOMPARE(at(info(doc), "prototypes", 3).value("head").toString(),
                 QStringLiteral("Head from a file\n"));
        CLI_EXPECT(run({"prototype", "remove", doc, "1"}), 0);
        QCOMPARE(at(info(doc), "prototypes", 0).value("path").toString(),
                 QStringLiteral("<Name>/card.txt"));
    }

    void runLogsEveryStep()
    {
        const QString doc = makeExampleDocument("run.quillory");
        QTemporaryDir out;
        const QString P = QDir(out.path()).canonicalPath();
        CLI_EXPECT(run({"destination", doc, out.path()}), 0);
        const QByteArray stored = readFile(doc);
        const QString rule = "\n" + QString(60, '-');
        const auto first = run({"run", doc});
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
        CLI_EXPECT(run({"destination", doc, gone.path()}), 0);
        QVERIFY(gone.remove());
        const auto missing = run({"run", doc});
        CLI_EXPECT(missing, 3);
        QVERIFY(missing.err.contains("You need to set again a destination"));
        QVERIFY(!QFileInfo::exists(gone.path()));

        // A write that fails leaves an item not done: the run exits 1. A file where a folder
        // is needed: no permission, not even root's, lets the write pass.
        CLI_EXPECT(run({"record", "add", doc, "Name=f/x"}), 0);
        QTemporaryDir blocked;
        QVERIFY(writeFile(blocked.filePath("f"), "there before"));
        const auto failed = run({"run", doc, "--destination", blocked.path()});
        CLI_EXPECT(failed, 1);
        QVERIFY2(failed.out.contains("\nERROR: Cannot write file"), qPrintable(failed.out));
    }

    // A dry run tells what a run would do, into folders it only pretended to make too, and
    // creates nothing.
    void dryRunCreatesNothingAndTellsWhatARunWould()
    {
        // A second Ann: the dry run pretends to have made the first Ann.txt.
        const QString doc =
            prepare(makeDocument("dry.quillory"),
                    {{"prototype", "add", "DOC", "--multi", "--folder", "--path", "<Name>"},
                     {"prototype", "add", "DOC", "--multi", "--path", "<Name>/sub/card.txt"},
                     {"record", "add", "DOC", "Name=Ann"}});
        QTemporaryDir out;
        QVERIFY(writeFile(out.filePath("Bob.txt"), "before"));
        const auto dry = run({"run", doc, "--destination", out.path(), "--dry-run"});
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
        const auto real = run({"run", doc, "--destination", out.path()});
        CLI_EXPECT(real, 0);
        QCOMPARE(dry.out.count("Would create"), real.out.count("Created "));
    }

    void runJsonGivesOneEventPerLine()
    {
        const QString doc =
            prepare(makeDocument("json.quillory"),
                    {{"record", "add", "DOC", "Name=a:b"},
                     {"prototype", "add", "DOC", "--one", "--folder", "--path", "all"}});
        QTemporaryDir out;
        QVERIFY(writeFile(out.filePath("Bob.txt"), "before"));
        // A dry run, a run, then a run that finds every file made.
        QJsonObject totals;
        for (int pass = 0; pass < 3; ++pass) {
            QStringList args{"run", doc, "--destination", out.path(), "--json"};
            if (pass == 0)
                args << "--dry-run";
            const auto r = run(args);
            CLI_EXPECT(r, 1);
            QStringList events;
            for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
                totals = QJsonDocument::fromJson(line.toUtf8()).object();
                QVERIFY2(!totals.isEmpty(), qPrintable(line));
                events << totals.value("event").toString() + ' ' + totals.value("path").toString() +
                              totals.value("item").toString() +
                              (totals.contains("record")
                                   ? ' ' + QString::number(totals.value("record").toInteger())
                                   : QString());
            }
            QCOMPARE(totals.value("dryRun").toBool(), pass == 0);
            if (pass < 2)
                QCOMPARE(events,
                         (QStringList{"file created Ann.txt", "skipped Bob.txt",
                                      "error <Name>.txt 3", "folder created all", "totals "}));
            QCOMPARE(readFile(out.filePath("Bob.txt")), QByteArray("before"));
        }
        QCOMPARE(totals, (QJsonObject{{"event", "totals"},
                                      {"foldersCreated", 0},
                                      {"filesCreated", 0},
                                      {"filesSkipped", 2},
                                      {"errors", 1},
                                      {"dryRun", false}}));
    }

    void unknownTagsWarnAndStrictRefuses()
    {
        const QString doc = makeDocument("tags.quillory", "Dear <Nmae> of <City>, <#> <Y>");
        const QString warning = "warning: Prototype 1 uses <Nmae>, which is no field or tag; it "
                                "is kept as text\n";
        for (const QStringList& args :
             {QStringList{"items", doc}, QStringList{"preview", doc, "1"}})
            QCOMPARE(run(args).err, warning);
        QTemporaryDir out;
        const auto strict = run({"run", doc, "--destination", out.path(), "--strict"});
        CLI_EXPECT(strict, 2);
        QVERIFY(strict.err.contains("Prototype 1 uses <Nmae>"));
        QVERIFY(QDir(out.path()).isEmpty());
        const auto quiet = run({"run", doc, "--destination", out.path(), "--quiet"});
        CLI_EXPECT(quiet, 0);
        QCOMPARE(quiet.err, warning);
        QCOMPARE(quiet.out, QStringLiteral("\nTotally created 0 folders and 2 files.\n"));
        QCOMPARE(readFile(out.filePath("Ann.txt")).left(17), QByteArray("Dear <Nmae> of Ro"));
    }

    void importThenExportGivesTheTableBack()
    {
        const QString doc = path("import.quillory");
        const auto data = [](const QString& name) { return testDataPath("cli/" + name); };
        CLI_EXPECT(run({"new", doc}), 0);
        const auto imported = run({"import", doc, data("people.csv"), "--header-names"});
        CLI_EXPECT(imported, 0);
        QCOMPARE(imported.err, QStringLiteral("Imported 2 records, added 3 fields\n"));
        QVERIFY(imported.out.isEmpty());
        const QJsonObject read = info(doc);
        QCOMPARE(at(read, "fields", 4).value("publicKey").toString(), QStringLiteral("Note"));
        QCOMPARE(at(read, "records", 1).value("3").toString(), QStringLiteral("Bøb"));

        CLI_EXPECT(run({"export", doc, path("out.csv"), "--format", "csv", "--header"}), 0);
        QCOMPARE(readFile(path("out.csv")), readFile(data("people-header.csv")));
        CLI_EXPECT(run({"export", doc, path("out.tsv"), "--fields", "City,Name"}), 0);
        QCOMPARE(readFile(path("out.tsv")), readFile(data("people-city-name.tsv")));
        QCOMPARE(run({"export", doc, "-", "--format", "csv-semicolon"}).out,
                 QStringLiteral("\"Ann\";\"Rome\";\"likes, commas\"\n\"Bøb\";\"Oslo\";\"\""));
        // A workbook, to a file and to a stream alike; the status names where it went.
        const auto workbook = run({"export", doc, path("out.xlsx"), "--format", "xlsx"});
        CLI_EXPECT(workbook, 0);
        QCOMPARE(workbook.err, "Exported 2 records, 3 fields, to " + path("out.xlsx") + "\n");
        QVERIFY(readFile(path("out.xlsx")).startsWith("PK\x03\x04"));
        QCOMPARE(run({"export", doc, "-", "--format", "xlsx"}).out.toLatin1().left(4),
                 QByteArray("PK\x03\x04"));

        // Importing again into the fields named by the first row, skipping one column.
        CLI_EXPECT(
            run({"import", doc, data("people.csv"), "--map", "first-row", "--column", "3=skip"}),
            0);
        const QJsonObject after = info(doc);
        QCOMPARE(at(after, "records", 2).value("4").toString(), QStringLiteral("Rome"));
        QCOMPARE(at(after, "records", 2).value("5").toString(), QString());
    }

    // Workbooks are told by their content, whatever their name, and import as text does.
    void workbooksImportLikeDelimitedFiles()
    {
        const QString doc = path("workbook.quillory");
        const auto data = [](const QString& name) {
            return testDataPath("exchange/workbooks/" + name);
        };
        CLI_EXPECT(run({"new", doc}), 0);
        // The first sheet unless --sheet says.
        QVERIFY(QFile::copy(data("people.xlsx"), path("people.data")));
        const auto imported = run({"import", doc, path("people.data"), "--header-names"});
        CLI_EXPECT(imported, 0);
        QCOMPARE(imported.err, QStringLiteral("Imported 3 records, added 8 fields\n"));
        QCOMPARE(run({"export", doc, "-", "--fields", "Name,Born,Flag"}).out,
                 QStringLiteral("Zoë Ångström\t05/03/1984\tTRUE\n"
                                "Élodie\t02/01/2000\tFALSE\nmerged\t\t"));
        // The first row names the fields it goes to; a sheet by its name.
        const auto ods =
            run({"import", doc, data("people.ods"), "--map", "first-row", "--sheet", "Clients"});
        CLI_EXPECT(ods, 0);
        QCOMPARE(ods.err, QStringLiteral("Imported 2 records, added 0 fields\n"));
        QCOMPARE(at(info(doc), "records", 4).value("5").toString(),
                 QStringLiteral("2024-03-05T10:30:00"));
        // Standard input too, and a sheet by its number.
        CLI_EXPECT(run({"import", doc, "-", "--sheet", "3", "--map", "cascade"},
                       readFile(data("people.xlsx"))),
                   0);
        QCOMPARE(at(info(doc), "records", 5).value("3").toString(), QStringLiteral("Code"));
    }

    void exportWritesStreamsInPlaceAndRefusesToReplaceFiles()
    {
        const QString doc = makeDocument("export.quillory");
        const auto toStdout = run({"export", doc, "-", "--fields", "Name,City"});
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
        CLI_EXPECT(run({"export", doc, fifo, "--fields", "Name"}), 0);
        QVERIFY(reader.waitForFinished(10000));
        QCOMPARE(reader.readAllStandardOutput(), QByteArray("Ann\nBob"));
        struct stat st;
        QVERIFY(::lstat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));

        // A character device is written in place, never renamed over.
        CLI_EXPECT(run({"export", doc, "/dev/null"}), 0);
        QVERIFY(QFileInfo("/dev/null").exists() && !QFileInfo("/dev/null").isFile());

        QVERIFY(writeFile(path("kept.tsv"), "mine"));
        const auto refused = run({"export", doc, path("kept.tsv")});
        CLI_EXPECT(refused, 2);
        QVERIFY(refused.err.contains("already exists (use --force to replace it)"));
        QCOMPARE(readFile(path("kept.tsv")), QByteArray("mine"));
        CLI_EXPECT(run({"export", doc, path("kept.tsv"), "--force", "--fields", "City"}), 0);
        QCOMPARE(readFile(path("kept.tsv")), QByteArray("Rome\nOslo"));
    }

    void importReadsFifos()
    {
        const QString doc = makeDocument("fifo.quillory");
        const QString fifo = path("rows");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess writer;
        writer.start("/bin/sh", {"-c", "printf 'Cid;Lima\\n' > \"$0\"", fifo});
        QVERIFY(writer.waitForStarted());
        CLI_EXPECT(run({"import", doc, fifo, "--map", "cascade", "--format", "semicolon"}), 0);
        QVERIFY(writer.waitForFinished(10000));
        QCOMPARE(names(doc), (QStringList{"Ann", "Bob", "Cid"}));
        QCOMPARE(at(info(doc), "records", 2).value("4").toString(), QStringLiteral("Lima"));
    }

    // Rows: the bytes of "café", the encoding given, whether a Mac OS Roman warning is due.
    void encodingsFromOtherSystems_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<bool>("warned");
        QTest::newRow("windows-1252") << QByteArray("caf\xE9") << "windows-1252" << false;
        QTest::newRow("auto falls back") << QByteArray("caf\x8E") << "auto" << true;
        // NUL bytes belong to wide text when the encoding is named.
        QTest::newRow("utf16le named")
            << QByteArray("c\0a\0f\0\xE9\0\n\0", 10) << "utf16le" << false;
    }
    void encodingsFromOtherSystems()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(bool, warned);
        const QString doc = path(QStringLiteral("enc %1.quillory").arg(QTest::currentDataTag()));
        CLI_EXPECT(run({"new", doc}), 0);
        const auto r = run({"import", doc, "-", "--encoding", encoding}, bytes);
        CLI_EXPECT(r, 0);
        QCOMPARE(r.err.contains("--encoding windows-1252"), warned);
        QCOMPARE(names(doc), QStringList{"café"});
    }

    // A record holding 30 dictionaries, each holding the one below twice (2^30 paths in 31
    // objects): info prints each once and refers to it after. (A run over it: tst_runsafety.)
    void aSharedContainerPrintsOnce()
    {
        const QString doc = makePeople("shared.quillory");
        Document d;
        QVERIFY(DocumentCodec::readFromFile(d, doc));
        DictPtr shared = Dict::make();
        for (int level = 0; level < 30; ++level) {
            DictPtr above = Dict::make();
            above->entries.emplace_back("a", Value::dict(shared));
            above->entries.emplace_back("b", Value::dict(shared));
            shared = above;
        }
        d.setRecordValue(d.dataArray()[0], "4", Value::dict(shared)); // City
        QVERIFY(DocumentCodec::writeToFile(d, doc));
        const auto printed = run({"info", doc, "--json"});
        CLI_EXPECT(printed, 0);
        QVERIFY2(printed.out.size() < 20000, qPrintable(QString::number(printed.out.size())));
        const QJsonObject city =
            at(QJsonDocument::fromJson(printed.out.toUtf8()).object(), "records", 0)["4"]
                .toObject();
        QCOMPARE(city["b"].toObject()["$ref"].toString(), QStringLiteral("#/records/0/4/a"));
    }

    // The saved tabs are the window's: no command of the tool changes them, whatever it does.
    void commandsLeaveTheSavedTabsAsTheyWere()
    {
        const QString doc = path("tabs.quillory");
        Document shown;
        shown.setSavedTabs(TabIds::kMerge, TabIds::kOnePerRecord);
        QVERIFY(DocumentCodec::writeToFile(shown, doc));
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
            CLI_EXPECT(run(step), 0);
            // Read apart from the tool: every step but the run wrote the document.
            QCOMPARE(readFile(doc) == before, step.front() == QLatin1String("run"));
            const Result<DocumentContents> read = DocumentCodec::contentsOfFile(doc);
            QVERIFY2(read, qPrintable(read.message()));
            QCOMPARE(read->mainTabId, TabIds::kMerge);
            QCOMPARE(read->secTabId, TabIds::kOnePerRecord);
        }
        QVERIFY(QFileInfo::exists(out.filePath("Ann.txt")));
    }

    void aFailedSaveReportsNoSuccessAndSaysWhy()
    {
        const QString doc = makeDocument("full.quillory");
        // Grow the document past a small file-size limit.
        const QByteArray before = readFile(doc);
        const auto added =
            run({"record", "add", doc, "Name=" + QString(4000, 'x')}, {}, before.size() + 512);
        CLI_EXPECT(added, 2);
        QVERIFY2(added.out.isEmpty(), qPrintable(added.out));
        QVERIFY2(added.err.contains("File too large"), qPrintable(added.err));
        QCOMPARE(readFile(doc), before);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
