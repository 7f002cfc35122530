// Import files read as rows: their bytes decoded as text, the text split into rows.
#include "casefile.h"
#include "exchange/importfilecheck.h"
#include "exchange/importlinesplitter.h"
#include "exchange/importsession.h"
#include "exchange/textfiledecoder.h"

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

class TestImportFile : public QObject
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

    // Rows [name, encoding code, bytes in hex, text or null when refused, read from "both",
    // "file" (automatic detection with its mark step) or "data" (without it), and where given
    // the code that decoded a file's bytes (the command-line tool warns on Mac OS Roman)].
    void decode_data() { addCaseRows(QStringLiteral("decoding.json")); }
    void decode()
    {
        QFETCH(QJsonArray, row);
        const QByteArray bytes = QByteArray::fromHex(row[2].toString().toLatin1());
        const QString expected = row[3].isNull() ? orNone(std::nullopt) : row[3].toString();
        if (row[4].toString() != QLatin1String("file"))
            QCOMPARE(orNone(TextFileDecoder::autoReadFromData(bytes, encodingNamed(row[1]))),
                     expected);
        if (row[4].toString() != QLatin1String("data")) {
            const QString path = m_scratch.writeFile(QStringLiteral("in.txt"), bytes);
            QCOMPARE(orNone(TextFileDecoder::autoReadFromFile(path, encodingNamed(row[1]))),
                     expected);
            // Pipes and standard input take the same steps as a file.
            TextEncoding used = TextEncoding::Automatic; // never what a decoding reports
            QCOMPARE(orNone(TextFileDecoder::decodeFileBytes(bytes, encodingNamed(row[1]), &used)),
                     expected);
            if (row.size() > 5)
                QCOMPARE(used, encodingNamed(row[5]));
        }
    }

    void unreadableFileGivesNothing()
    {
        for (const QString& path : {m_scratch.filePath("missing.txt"), m_scratch.path()})
            QCOMPARE(orNone(TextFileDecoder::autoReadFromFile(path, TextEncoding::Automatic)),
                     orNone(std::nullopt));
    }

    // Rows [name, text, text with its line ends brought to LF].
    void lineEnds_data() { addCaseRows(QStringLiteral("lineends.json")); }
    void lineEnds()
    {
        QFETCH(QJsonArray, row);
        std::optional<QString> text = row[1].toString();
        QCOMPARE(orNone(TextFileDecoder::replaceStringWithNewline(text)), row[2].toString());
    }

    // Rows [name, encoding asked for, the file's bytes in hex in the parts they are read in,
    // whether it is refused]. A mark split over two parts still counts.
    void filesThatAreNotTextAreRefused_data() { addCaseRows(QStringLiteral("notext.json")); }
    void filesThatAreNotTextAreRefused()
    {
        QFETCH(QJsonArray, row);
        const TextEncoding encoding = encodingNamed(row[1]);
        QByteArray whole;
        ImportFileCheck check(encoding, QStringLiteral("f.csv"));
        std::optional<QString> refusal;
        for (const QString& hex : texts(row[2])) {
            const QByteArray part = QByteArray::fromHex(hex.toLatin1());
            whole += part;
            if (!refusal)
                refusal = check.feed(part);
        }
        if (!refusal)
            refusal = check.finish();
        QCOMPARE(refusal.has_value(), row[3].toBool());
        if (refusal)
            QVERIFY(refusal->startsWith("f.csv holds NUL bytes"));
        QCOMPARE(ImportFileCheck::problem(whole, encoding, "f.csv"), refusal);
    }

    // More than an import holds is refused as it is read, whatever the bytes.
    void aFileLargerThanAnImportHoldsIsRefused()
    {
        const QByteArray part(1 << 20, 'x');
        ImportFileCheck check(TextEncoding::Automatic, QStringLiteral("big.csv"));
        qint64 fed = 0;
        std::optional<QString> refusal;
        while (!refusal && fed <= ImportFileCheck::kMaxBytes) {
            refusal = check.feed(part);
            fed += part.size();
        }
        QCOMPARE(fed, ImportFileCheck::kMaxBytes + part.size());
        QCOMPARE(refusal, "big.csv is larger than 1024 MiB, more than an import can hold");
    }
};

QTEST_APPLESS_MAIN(TestImportFile)
#include "tst_importfile.moc"
