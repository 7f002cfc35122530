// Our quoted CSV (comma- and semicolon-separated) against an independent reader and writer:
// Python's csv module.
#include "casefile.h"
#include "exchange/exportlayout.h"
#include "exchange/exportvalue.h"
#include "exchange/exportwriter.h"
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"

#include <QProcess>

using namespace quillory;

namespace {

using Rows = QList<QStringList>;

// Runs tests/data/exchange/csv_tool.py with input on its standard input; its standard
// output, or none with the reason in error.
std::optional<QByteArray> csvTool(const QStringList& args, QString& error,
                                  const QByteArray& input = {})
{
    QProcess p;
    p.start(QStringLiteral("python3"),
            QStringList{test::testDataPath(QStringLiteral("exchange/csv_tool.py"))} + args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error =
            QStringLiteral("csv_tool.py %1: %2 %3")
                .arg(args.join(u' '), p.errorString(), QString::fromUtf8(p.readAllStandardError()));
        return std::nullopt;
    }
    return p.readAllStandardOutput();
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

QByteArray rowsToJson(const Rows& rows)
{
    return QJsonDocument(jsonRows(rows)).toJson(QJsonDocument::Compact);
}

// The import's own line-end rule: CR LF and lone CRs become LF, inside fields too.
Rows withLfLineEnds(Rows rows)
{
    for (QStringList& row : rows) {
        for (QString& field : row)
            field.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    }
    return rows;
}

Rows imported(const QString& path, ImportSession::FileFormat format)
{
    ImportSession session;
    session.load(path, format, TextEncoding::Utf8);
    return importedRows(session);
}

// Exports the rows in a quoted CSV format under fields named as given, with the names as
// first row.
Result<> exportQuoted(ExportFormat format, const QStringList& names, const Rows& rows,
                      const QString& path)
{
    ExportWriter writer = writerFor(format, names, jsonRows(rows));
    writer.useFieldNamesAsFirstRow = true;
    return writer.writeToFile(path);
}

// What a reader finds in exportQuoted's file: the names, then each row cleaned as the export
// cleans it, one value per name.
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

const QStringList kNames = {QStringLiteral("Name \"n\""), QStringLiteral("City, c"),
                            QStringLiteral("Note; x")};

} // namespace

class TestCsvRoundTrip : public QObject
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
        QVERIFY(exportQuoted(exportFormatNamed(formatName), names, values, path).ok());
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
            kNames,
            {"Robert \"Bob\" Tables", "Rome, Italy", "x;y"},
            {"line\nend", "\"", ""},
            {"Zoë 😀", "\"\"", " lead, \"q\""},
            {"multi\n\nblank", "crlf\r\ninside", "end\""},
            {"", "", "\r"},
            {"\"start", "a\"\"b", "after,\n"},
        };
        const QString path = m_scratch.filePath(QStringLiteral("python.csv"));
        QString error;
        QVERIFY2(csvTool({QStringLiteral("write"), path, delimiter}, error, rowsToJson(rows)),
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
};

QTEST_APPLESS_MAIN(TestCsvRoundTrip)
#include "tst_csvroundtrip.moc"
