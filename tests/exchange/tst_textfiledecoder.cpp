#include "casefile.h"
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
};

QTEST_APPLESS_MAIN(TestTextFileDecoder)
#include "tst_textfiledecoder.moc"
