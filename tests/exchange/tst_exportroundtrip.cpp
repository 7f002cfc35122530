// Exports read back by independent readers and writers: Python's csv module for our quoted CSV
// (comma- and semicolon-separated), openpyxl for the workbook, and our own import for both.
#include "casefile.h"
#include "exchange/exportlayout.h"
#include "exchange/exportvalue.h"
#include "exchange/exportwriter.h"
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"
#include "exchange/workbookreader.h"
#include "exchange/xlsxexport.h"

#include <QDir>
#include <QProcess>

using namespace quillory;

namespace {

using Rows = QList<QStringList>;

// Runs tests/data/exchange/<script> with input on its standard input; its standard output,
// or none with the reason in error.
std::optional<QByteArray> runTool(const char* script, const QStringList& args, QString& error,
                                  const QByteArray& input = {})
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{test::testDataPath(QStringLiteral("exchange/") + script)} + args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error = QStringLiteral("%1 %2: %3 %4")
                    .arg(script, args.join(u' '), p.errorString(),
                         QString::fromUtf8(p.readAllStandardError()));
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

std::optional<QByteArray> csvTool(const QStringList& args, QString& error,
                                  const QByteArray& input = {})
{
    return runTool("csv_tool.py", args, error, input);
}

Rows rowsFromJson(const QByteArray& json)
{
    return textRows(QJsonDocument::fromJson(json).array());
}

QJsonArray jsonRows(const Rows& rows)
{
    QJsonArray array;
    for (const QStringList& row : rows)
        array.append(QJsonArray::fromStringList(row));
    return array;
}

// The import's own line-end rule: CR LF and lone CRs become LF, inside fields too.
Rows withLfLineEnds(Rows rows)
{
    for (QStringList& row : rows)
        row.replaceInStrings(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .replaceInStrings(QStringLiteral("\r"), QStringLiteral("\n"));
    return rows;
}

Rows imported(const QString& path, ImportSession::FileFormat format)
{
    ImportSession session;
    session.load(path, format, TextEncoding::Utf8);
    return importedRows(session);
}

// What a reader finds in a quoted CSV export of the rows with the names as first row: the
// names, then each row cleaned as the export cleans it, one value per name.
Rows exportedRows(const QStringList& names, const Rows& rows)
{
    Rows out = {names};
    for (const QStringList& row : rows) {
        out << QStringList();
        for (qsizetype i = 0; i < names.size(); ++i)
            out.back() << ExportValue::clean(ExportFormat::QuotedCsv, row.value(i));
    }
    return out;
}

// The first sheet as openpyxl reads it: the values of the cells (an empty cell as ""), the
// kinds of cell other than text in otherKinds, and the number of sheets in sheets.
Rows readWithOpenpyxl(const QString& path, QString& error, QStringList& otherKinds, int& sheets)
{
    const auto json = runTool("xlsx_tool.py", {QStringLiteral("read"), path}, error);
    const QJsonObject read = json ? QJsonDocument::fromJson(*json).object() : QJsonObject();
    sheets = int(read["sheets"].toArray().size());
    Rows rows;
    for (const QJsonValue& row : read["rows"].toArray()) {
        rows << QStringList();
        for (const QJsonValue& cell : row.toArray()) {
            const QJsonValue value = cell[0];
            rows.back() << (value.isDouble() ? QString::number(value.toDouble())
                                             : value.toString());
            if (!value.isNull() && cell[1].toString() != QLatin1String("s"))
                otherKinds << QStringLiteral("%1:%2").arg(value.toVariant().toString(),
                                                          cell[1].toString());
        }
    }
    return rows;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

const QStringList kCsvNames = {QStringLiteral("Name \"n\""), QStringLiteral("City, c"),
                               QStringLiteral("Note; x")};
const QStringList kXlsxNames = {QStringLiteral("Name"), QStringLiteral("Note"),
                                QStringLiteral("Prénom")};

} // namespace

class TestExportRoundTrip : public QObject
{
    Q_OBJECT

    test::ScratchFolder m_scratch;

private slots:
    // Random values exported in a quoted format, read back by Python's csv reader and by us.
    void randomValuesExportedAndReadBack_data()
    {
        QTest::addColumn<QString>("formatName");
        QTest::addColumn<QString>("delimiter");
        QTest::newRow("comma") << "csv"
                               << ",";
        QTest::newRow("semicolon") << "csv-semicolon"
                                   << ";";
    }
    void randomValuesExportedAndReadBack()
    {
        QFETCH(QString, formatName);
        QFETCH(QString, delimiter);
        const QString path = m_scratch.filePath(QStringLiteral("random-ours.csv"));
        QString error;
        // Python only makes up the values here; the file it writes is not used.
        const auto json = csvTool({QStringLiteral("random"), path, QStringLiteral(","),
                                   QStringLiteral("11"), QStringLiteral("400")},
                                  error);
        QVERIFY2(json, qPrintable(error));
        const Rows values = rowsFromJson(*json);
        QCOMPARE(values.size(), 400);
        const QStringList names = {"a", "b", "c", "d", "e"};
        ExportWriter writer = writerFor(exportFormatNamed(formatName), names, jsonRows(values));
        writer.useFieldNamesAsFirstRow = true;
        QVERIFY(writer.writeToFile(path).ok());
        const auto read = csvTool({QStringLiteral("read"), path, delimiter}, error);
        QVERIFY2(read, qPrintable(error));
        const Rows expected = exportedRows(names, values);
        QCOMPARE(rowsFromJson(*read), expected);
        // And by us: the values come back, line ends cleaned.
        QCOMPARE(imported(path, ImportSession::FileFormat::Automatic), expected);
    }

    // Rows written by Python's csv writer (CR LF line ends, line ends inside fields) import as
    // the same values, each line end as LF: chosen ones, and 2000 random ones with the
    // delimiter given.
    void pythonsFileImported_data()
    {
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QString>("formatName");
        QTest::newRow("comma") << ","
                               << "comma";
        QTest::newRow("semicolon") << ";"
                                   << "semicolon";
        QTest::newRow("comma, guessed") << ","
                                        << "auto";
        QTest::newRow("semicolon, guessed") << ";"
                                            << "auto";
    }
    void pythonsFileImported()
    {
        QFETCH(QString, delimiter);
        QFETCH(QString, formatName);
        const ImportSession::FileFormat format = fileFormatNamed(formatName);
        const Rows rows = {
            kCsvNames,
            {"Robert \"Bob\" Tables", "Rome, Italy", "x;y"},
            {"line\nend", "\"", ""},
            {"Zoë 😀", "\"\"", " lead, \"q\""},
            {"multi\n\nblank", "crlf\r\ninside", "end\""},
            {"", "", "\r"},
            {"\"start", "a\"\"b", "after,\n"},
        };
        const QString path = m_scratch.filePath(QStringLiteral("python.csv"));
        QString error;
        QVERIFY2(csvTool({QStringLiteral("write"), path, delimiter}, error,
                         QJsonDocument(jsonRows(rows)).toJson(QJsonDocument::Compact)),
                 qPrintable(error));
        QCOMPARE(imported(path, format), withLfLineEnds(rows));
        if (format == ImportSession::FileFormat::Automatic)
            return;
        const auto json = csvTool({QStringLiteral("random"), path, delimiter, QStringLiteral("12"),
                                   QStringLiteral("2000")},
                                  error);
        QVERIFY2(json, qPrintable(error));
        const Rows written = rowsFromJson(*json);
        QCOMPARE(written.size(), 2000);
        QCOMPARE(imported(path, format), withLfLineEnds(written));
    }

    // Values a spreadsheet could take for something else, then thousands of plain records:
    // each comes back as the same text (its line ends as LF), in a workbook of one sheet.
    void workbookValuesComeBackAsTheSameTexts()
    {
        Rows rows = {
            {"Hélène Ünïcödé 😀", "Zoë", "ß"},
            {"", "", "only the last"},
            {"=1+1", "=SUM(A1:A3)", "=HYPERLINK(\"http://x\")"},
            {"007", "1e5", "TRUE"},
            {"  spaces around  ", "tab\there", "line\nend"},
            {"<b>&amp;</b>", "\"quoted\"", "cr\r\nlf\rcr"},
            {QString(XlsxExport::kCellTextLimit, u'x'), "a", "b"},
        };
        for (int i = 0; i < 5000; ++i)
            rows << QStringList{QStringLiteral("Name %1").arg(i),
                                QStringLiteral("Note é %1").arg(i), QString::number(i)};
        ExportWriter writer = writerFor(ExportFormat::Xlsx, kXlsxNames, jsonRows(rows));
        writer.useFieldNamesAsFirstRow = true;
        test::ScratchFolder scratch;
        const QString path = scratch.writeFile(QStringLiteral("out.xlsx"), "an older file");
        const Result<> written = writer.writeToFile(path);
        QVERIFY2(written.ok(), qPrintable(written.message()));
        QCOMPARE(entries(scratch.path()), QStringList{"out.xlsx"}); // no temporary left
        rows = withLfLineEnds(rows);

        QString error;
        QStringList otherKinds;
        int sheets = 0;
        const Rows values = readWithOpenpyxl(path, error, otherKinds, sheets);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sheets, 1);
        QCOMPARE(otherKinds, QStringList()); // no formula, number or date among them
        QCOMPARE(values.size(), rows.size() + 1);
        QCOMPARE(values.front(), kXlsxNames);
        for (qsizetype r = 0; r < rows.size(); ++r)
            QCOMPARE(values[r + 1], rows[r]);

        // Our own workbook reader finds the same texts.
        Result<WorkbookReader> book = WorkbookReader::openFile(path, QStringLiteral("out.xlsx"));
        QVERIFY2(book.ok(), qPrintable(book.message()));
        Result<ImportRows> sheet = book.value().readSheet(0);
        QVERIFY2(sheet.ok(), qPrintable(sheet.message()));
        QCOMPARE(sheet->rowCount(), rows.size() + 1);
        for (qsizetype r = 0; r < rows.size(); ++r)
            QCOMPARE(sheet->elements(r + 1), rows[r]);
    }

    // The counter, the one value written as a number, and no first row when not asked.
    void theWorkbookCounterIsANumber()
    {
        MutableRecord record = PackedRecord::make();
        record->set(kCounterKey, Value::integer(42));
        record->set(QStringLiteral("3"), Value::string(QStringLiteral("42")));
        ExportWriter writer({record}, {{kCounterKey, QStringLiteral("#")},
                                       {QStringLiteral("3"), QStringLiteral("Name")}});
        writer.fileFormatToSave = ExportFormat::Xlsx;
        const QString path = m_scratch.filePath(QStringLiteral("counter.xlsx"));
        QVERIFY(writer.writeToFile(path).ok());
        QString error;
        QStringList otherKinds;
        int sheets = 0;
        const Rows values = readWithOpenpyxl(path, error, otherKinds, sheets);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(values, (Rows{{"42", "42"}}));
        QCOMPARE(otherKinds, QStringList{"42:n"});
    }

    // A text longer than a cell takes is never cut: the export is refused, naming the record
    // and the field, and nothing is written, nor is an older file touched.
    void aTextLongerThanACellIsRefused()
    {
        const Rows rows = {{"Ann", "short", ""},
                           {"Bob", QString(XlsxExport::kCellTextLimit + 1, u'y'), ""}};
        ExportWriter writer = writerFor(ExportFormat::Xlsx, kXlsxNames, jsonRows(rows));
        test::ScratchFolder scratch;
        const QString kept = scratch.writeFile(QStringLiteral("kept.xlsx"), "an older file");
        for (const QString& path : {scratch.filePath(QStringLiteral("new.xlsx")), kept}) {
            const Result<> written = writer.writeToFile(path);
            QVERIFY(!written);
            QVERIFY2(written.message().contains(QStringLiteral("field 'Note' of record 2 holds "
                                                               "32768 characters")),
                     qPrintable(written.message()));
        }
        QCOMPARE(entries(scratch.path()), QStringList{"kept.xlsx"});
        QCOMPARE(test::readFile(kept), QByteArray("an older file"));
    }
};

QTEST_APPLESS_MAIN(TestExportRoundTrip)
#include "tst_exportroundtrip.moc"
