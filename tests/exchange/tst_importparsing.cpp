#include "casefile.h"
#include "exchange/importlinesplitter.h"
#include "exchange/importsession.h"

using namespace quillory;

namespace {

// The rows, the column count and a fresh mapping of every column to nothing.
void checkParsed(const ImportSession& session, const QJsonArray& row, int rowsAt)
{
    QCOMPARE(importedRows(session), textRows(row[rowsAt]));
    const int columns = row[rowsAt + 1].toInt();
    QCOMPARE(session.widestRowFieldCount(), columns);
    QCOMPARE(session.mapping(), std::vector<ImportDestination>(size_t(columns)));
}

} // namespace

class TestImportParsing : public QObject
{
    Q_OBJECT

    test::ScratchFolder m_scratch;

private slots:
    // Rows [name, separator, line, fields or null for none].
    void split_data() { addCaseRows(QStringLiteral("split.json")); }
    void split()
    {
        QFETCH(QJsonArray, row);
        const QString line = row[2].toString();
        const bool comma = row[1].toString() == QLatin1String(",");
        const auto fields =
            comma ? ImportSession::splitCommaRow(line) : ImportSession::splitSemicolonRow(line);
        QCOMPARE(fields.has_value(), !row[3].isNull());
        QCOMPARE(fields.value_or(QStringList()), texts(row[3]));
        // The counting pass of the format guess must agree with the splitter.
        const auto counts = ImportLineSplitter(line).countFields();
        QCOMPARE(comma ? counts.comma : counts.semicolon, qint64(fields ? fields->size() : 0));
    }

    // Rows [name, text, guessed format].
    void guess_data() { addCaseRows(QStringLiteral("guess.json")); }
    void guess()
    {
        QFETCH(QJsonArray, row);
        QCOMPARE(ImportSession::guessFileFormat(row[1].toString()), fileFormatNamed(row[2]));
    }

    // Rows [name, text, format, rows, columns].
    void parse_data() { addCaseRows(QStringLiteral("parse.json")); }
    void parse()
    {
        QFETCH(QJsonArray, row);
        ImportSession session;
        // A text loaded before must leave neither rows nor mapping behind.
        session.loadText(QStringLiteral("p,q,r,s\nt,u,v"), ImportSession::FileFormat::Comma);
        session.mapAllToNewFields();
        session.loadText(row[1].toString(), fileFormatNamed(row[2]));
        checkParsed(session, row, 3);
    }

    // Rows [name, file bytes in hex or null for no file, format, encoding, rows, columns].
    void parseFile_data() { addCaseRows(QStringLiteral("importfiles.json")); }
    void parseFile()
    {
        QFETCH(QJsonArray, row);
        const QString path =
            row[1].isNull()
                ? m_scratch.filePath(QStringLiteral("missing.csv"))
                : m_scratch.writeFile("in.csv", QByteArray::fromHex(row[1].toString().toLatin1()));
        ImportSession session;
        session.load(path, fileFormatNamed(row[2]), encodingNamed(row[3]));
        checkParsed(session, row, 4);
    }
};

QTEST_APPLESS_MAIN(TestImportParsing)
#include "tst_importparsing.moc"
