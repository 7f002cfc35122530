#include "casefile.h"
#include "exchange/importfilecheck.h"
#include "exchange/textfiledecoder.h"

using namespace quillory;

class TestTextFileDecoder : public QObject
{
    Q_OBJECT

    test::ScratchFolder m_scratch;

private slots:
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

    // Rows: the encoding asked for, the file's bytes in the parts they are read in, whether
    // it is refused. A mark split over two parts still counts.
    void filesThatAreNotTextAreRefused_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QList<QByteArray>>("parts");
        QTest::addColumn<bool>("refused");
        const QByteArray nul(1, '\0');
        QTest::newRow("text") << TextEncoding::Automatic << QList<QByteArray>{"a,b\n", "c"}
                              << false;
        QTest::newRow("a NUL in a later part")
            << TextEncoding::Automatic << QList<QByteArray>{"a,b\n", "c" + nul} << true;
        QTest::newRow("only NULs, two bytes")
            << TextEncoding::Automatic << QList<QByteArray>{nul + nul} << true;
        QTest::newRow("utf-16 mark split over parts") << TextEncoding::Automatic
                                                      << QList<QByteArray>{"\xFF",
                                                                           "\xFE"
                                                                           "a" +
                                                                               nul,
                                                                           "b" + nul}
                                                      << false;
        QTest::newRow("utf-32 big-endian mark")
            << TextEncoding::Automatic
            << QList<QByteArray>{nul + nul + "\xFE\xFF" + nul + nul + nul + "a"} << false;
        QTest::newRow("utf-32 mark split over parts")
            << TextEncoding::Automatic
            << QList<QByteArray>{nul + nul, "\xFE\xFF" + nul + nul + nul + "a"} << false;
        QTest::newRow("a NUL alone in the first part")
            << TextEncoding::Automatic << QList<QByteArray>{nul, "abc"} << true;
        QTest::newRow("utf-16 named, no mark")
            << TextEncoding::Utf16LittleEndian << QList<QByteArray>{"a" + nul} << false;
        QTest::newRow("Windows-1252 named") << TextEncoding::Windows1252
                                            << QList<QByteArray>{"\xFF\xFE"
                                                                 "a" +
                                                                 nul}
                                            << true;
    }
    void filesThatAreNotTextAreRefused()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(QList<QByteArray>, parts);
        ImportFileCheck check(encoding, QStringLiteral("f.csv"));
        std::optional<QString> refusal;
        for (const QByteArray& part : parts)
            if (!refusal)
                refusal = check.feed(part);
        if (!refusal)
            refusal = check.finish();
        QTEST(refusal.has_value(), "refused");
        if (refusal)
            QVERIFY(refusal->startsWith("f.csv holds NUL bytes"));
        QCOMPARE(ImportFileCheck::problem(parts.join(), encoding, "f.csv"), refusal);
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

QTEST_APPLESS_MAIN(TestTextFileDecoder)
#include "tst_textfiledecoder.moc"
