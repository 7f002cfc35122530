#include "exchange/textfiledecoder.h"

#include <QtTest>

using namespace quillory;

// What decoded the bytes of a file: the command-line tool warns when automatic detection
// ended on Mac OS Roman, and reads pipes through the same steps as files.
class TextFileDetectionTest : public QObject
{
    Q_OBJECT
private slots:
    // Rows: bytes (hex), the encoding asked for, the code that decoded them, the text.
    void decodedAsNamesTheEncodingUsed_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("decodedAs");
        QTest::addColumn<QString>("text");
        using D = TextFileDecoder;
        QTest::newRow("utf-8") << QByteArray("636166c3a9") << int(D::Automatic) << int(D::Utf8)
                               << QString("café");
        QTest::newRow("utf-8 mark")
            << QByteArray("efbbbf41") << int(D::Automatic) << int(D::Utf8) << QString("A");
        QTest::newRow("utf-16 le mark") << QByteArray("fffe4100") << int(D::Automatic)
                                        << int(D::Utf16LittleEndian) << QString("A");
        QTest::newRow("utf-16 be mark") << QByteArray("feff0041") << int(D::Automatic)
                                        << int(D::Utf16BigEndian) << QString("A");
        QTest::newRow("utf-32 le mark") << QByteArray("fffe000041000000") << int(D::Automatic)
                                        << int(D::Utf32LittleEndian) << QString("A");
        QTest::newRow("mac os roman")
            << QByteArray("6361668e") << int(D::Automatic) << int(D::MacOSRoman) << QString("café");
        QTest::newRow("windows-1252")
            << QByteArray("80e9") << int(D::Windows1252) << int(D::Windows1252) << QString("€é");
        QTest::newRow("iso-8859-1")
            << QByteArray("80e9") << int(D::Iso88591) << int(D::Iso88591) << QString("\u0080é");
        QTest::newRow("iso-8859-15")
            << QByteArray("a4bd") << int(D::Iso885915) << int(D::Iso885915) << QString("€œ");
    }
    void decodedAsNamesTheEncodingUsed()
    {
        QFETCH(QByteArray, hex);
        QFETCH(int, asked);
        QFETCH(int, decodedAs);
        QFETCH(QString, text);
        int used = -1;
        const std::optional<QString> decoded =
            TextFileDecoder::decodeFileBytes(QByteArray::fromHex(hex), asked, &used);
        QVERIFY(decoded);
        QCOMPARE(*decoded, text);
        QCOMPARE(used, decodedAs);
        // The data reader takes the new codes too.
        if (asked != TextFileDecoder::Automatic)
            QCOMPARE(TextFileDecoder::autoReadFromData(QByteArray::fromHex(hex), asked), decoded);
    }
};

QTEST_GUILESS_MAIN(TextFileDetectionTest)
#include "tst_textfiledetection.moc"
