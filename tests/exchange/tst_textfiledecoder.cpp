#include "exchange/textfiledecoder.h"
#include "exchange/macromancodec.h"
#include "support/scratchfolder.h"

#include <QFile>
#include <QTest>

using namespace quillory;

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

QByteArray utf16(const QString& s, bool bigEndian)
{
    QByteArray b;
    for (QChar c : s) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        b.append(bigEndian ? hi : lo);
        b.append(bigEndian ? lo : hi);
    }
    return b;
}

QByteArray utf32(const QString& s, bool bigEndian)
{
    QByteArray b;
    for (char32_t c : s.toUcs4()) {
        char p[4] = {char(c >> 24), char((c >> 16) & 0xFF), char((c >> 8) & 0xFF), char(c & 0xFF)};
        if (!bigEndian)
            std::reverse(std::begin(p), std::end(p));
        b.append(p, 4);
    }
    return b;
}

} // namespace

class TestKWSmartStringFileReader : public QObject
{
    Q_OBJECT

    test::ScratchFolder m_scratch;
    QString writeFile(const QString& name, const QByteArray& content)
    {
        return m_scratch.writeFile(name, content);
    }

private slots:
    void macRomanChartSamples_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("codePoint");
        QTest::newRow("A umlaut") << 0x80 << 0x00C4;
        QTest::newRow("e acute") << 0x8E << 0x00E9;
        QTest::newRow("E grave") << 0xE9 << 0x00C8;
        QTest::newRow("bullet") << 0xA5 << 0x2022;
        QTest::newRow("euro") << 0xDB << 0x20AC;
        QTest::newRow("apple logo") << 0xF0 << 0xF8FF;
        QTest::newRow("caron, last byte") << 0xFF << 0x02C7;
        QTest::newRow("no-break space") << 0xCA << 0x00A0;
        QTest::newRow("ascii stays") << 0x41 << 0x0041;
    }
    void macRomanChartSamples()
    {
        QFETCH(int, byte);
        QFETCH(int, codePoint);
        QCOMPARE(int(MacRomanCodec::toUnicode((unsigned char)byte)), codePoint);
        const auto text = TextFileDecoder::autoReadFromData(bytes({byte}), 30);
        QVERIFY(text);
        QCOMPARE(*text, QString(QChar(char16_t(codePoint))));
    }

    void macRomanIsOneToOne()
    {
        // Every byte has its own character, so no two bytes may share one.
        QSet<char16_t> seen;
        for (int b = 0; b < 256; ++b)
            seen.insert(MacRomanCodec::toUnicode((unsigned char)b));
        QCOMPARE(seen.size(), 256);
    }

    void namedEncodings_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        const QString text = QStringLiteral("Zoë,\u20AC;\U0001F600");
        QTest::newRow("utf-8") << text.toUtf8() << 1 << text;
        QTest::newRow("utf-8 mark dropped") << QByteArray("\xEF\xBB\xBFx") << 1 << "x";
        QTest::newRow("utf-16 no mark is big-endian") << utf16(text, true) << 10 << text;
        QTest::newRow("utf-16 LE mark") << utf16(u"\uFEFF"_qs + text, false) << 10 << text;
        QTest::newRow("utf-16 BE mark") << utf16(u"\uFEFF"_qs + text, true) << 10 << text;
        QTest::newRow("utf-16 BE") << utf16(text, true) << 11 << text;
        QTest::newRow("utf-16 LE") << utf16(text, false) << 12 << text;
        QTest::newRow("utf-32 no mark is big-endian") << utf32(text, true) << 20 << text;
        QTest::newRow("utf-32 LE mark") << utf32(u"\uFEFF"_qs + text, false) << 20 << text;
        QTest::newRow("utf-32 BE") << utf32(text, true) << 21 << text;
        QTest::newRow("utf-32 LE") << utf32(text, false) << 22 << text;
        QTest::newRow("mac roman") << bytes({0x8E, 0x20, 0xE9}) << 30 << u"é È"_qs;
        QTest::newRow("ascii") << QByteArray("plain\ttext") << 50 << "plain\ttext";
    }
    void namedEncodings()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(QString, expected);
        const auto fromData = TextFileDecoder::autoReadFromData(input, code);
        QVERIFY(fromData);
        QCOMPARE(*fromData, expected);
        const auto fromFile =
            TextFileDecoder::autoReadFromFile(writeFile("named.txt", input), code);
        QVERIFY(fromFile);
        QCOMPARE(*fromFile, expected);
    }

    void invalidBytesGiveNothing_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::newRow("latin-1 as utf-8") << bytes({'c', 'a', 'f', 0xE9}) << 1;
        QTest::newRow("utf-8 cut short") << bytes({'a', 0xE2, 0x82}) << 1;
        QTest::newRow("utf-8 overlong") << bytes({0xC0, 0xAF}) << 1;
        QTest::newRow("utf-8 surrogate") << bytes({0xED, 0xA0, 0x80}) << 1;
        QTest::newRow("utf-16 odd length") << bytes({0, 'a', 0}) << 11;
        QTest::newRow("utf-16 lone high surrogate") << bytes({0xD8, 0x3D, 0, 'a'}) << 11;
        QTest::newRow("utf-16 lone low surrogate") << bytes({0x00, 0xDE, 'a', 0}) << 12;
        QTest::newRow("utf-16 surrogate at end") << bytes({0x3D, 0xD8}) << 12;
        QTest::newRow("utf-32 length") << bytes({0, 0, 0, 'a', 0}) << 21;
        QTest::newRow("utf-32 beyond unicode") << bytes({0, 0x11, 0, 0}) << 21;
        QTest::newRow("utf-32 surrogate") << bytes({0x00, 0xD8, 0, 0}) << 22;
        QTest::newRow("ascii high bit") << bytes({'a', 0x80}) << 50;
    }
    void invalidBytesGiveNothing()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QVERIFY(!TextFileDecoder::autoReadFromData(input, code));
        QVERIFY(!TextFileDecoder::autoReadFromFile(writeFile("bad.txt", input), code));
    }

    void automaticFile_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("utf-16 LE mark")
            << utf16(u"\uFEFFname,é\r\n"_qs, false) << 0 << u"name,é\r\n"_qs;
        QTest::newRow("utf-16 BE mark") << utf16(u"\uFEFFab"_qs, true) << 0 << "ab";
        QTest::newRow("utf-32 LE mark")
            << utf32(u"\uFEFFa\U0001F600"_qs, false) << 0 << u"a\U0001F600"_qs;
        QTest::newRow("utf-32 BE mark") << utf32(u"\uFEFFxy"_qs, true) << 0 << "xy";
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF\xC3\xA9") << 0 << u"é"_qs;
        QTest::newRow("utf-8 without mark") << QByteArray("\xC3\xA9t\xC3\xA9") << 0 << u"été"_qs;
        QTest::newRow("latin-1 read as mac roman")
            << bytes({'c', 'a', 'f', 0xE9}) << 0 << u"cafÈ"_qs;
        QTest::newRow("code 2 is automatic") << bytes({0xE9}) << 2 << u"È"_qs;
        QTest::newRow("code 99 is automatic") << bytes({0xE9}) << 99 << u"È"_qs;
        QTest::newRow("negative code is automatic") << bytes({0xE9}) << -1 << u"È"_qs;
        // A mark whose text then fails its encoding falls through to the later steps.
        QTest::newRow("broken utf-16 after mark") << bytes({0xFF, 0xFE, 0x41}) << 0 << u"ˇ˛A"_qs;
        QTest::newRow("utf-16 LE mark then NUL char")
            << bytes({0xFF, 0xFE, 0, 0, 'a', 0}) << 0 << QString(u"\0a"_qs);
    }
    void automaticFile()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(QString, expected);
        const auto text =
            TextFileDecoder::autoReadFromFile(writeFile("auto.txt", input), code);
        QVERIFY(text);
        QCOMPARE(*text, expected);
    }

    void automaticDataHasNoMarkStep()
    {
        // A buffer starts at UTF-8: a UTF-16 mark is not valid UTF-8, so Mac OS Roman reads it.
        const auto text = TextFileDecoder::autoReadFromData(utf16(u"\uFEFFa"_qs, false), 0);
        QVERIFY(text);
        QCOMPARE(*text, QString(u"ˇ˛a\0"_qs));
        QCOMPARE(*TextFileDecoder::autoReadFromData(QByteArray("\xC3\xA9"), 0), u"é"_qs);
    }

    void emptyFileGivesEmptyText_data()
    {
        QTest::addColumn<int>("code");
        for (int code : {0, 1, 10, 11, 12, 20, 21, 22, 30, 50})
            QTest::addRow("code %d", code) << code;
    }
    void emptyFileGivesEmptyText()
    {
        QFETCH(int, code);
        const auto text =
            TextFileDecoder::autoReadFromFile(writeFile("empty.txt", {}), code);
        QVERIFY(text);
        QVERIFY(text->isEmpty());
    }

    void unreadableFileGivesNothing()
    {
        QVERIFY(!TextFileDecoder::autoReadFromFile(m_scratch.filePath("missing.txt"), 0));
        QVERIFY(!TextFileDecoder::autoReadFromFile(m_scratch.filePath("missing.txt"), 30));
        QVERIFY(!TextFileDecoder::autoReadFromFile(m_scratch.path(), 0));
    }

    void lineEnds_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CR CR LF") << "a\r\r\nb"
                                  << "a\n\nb";
        QTest::newRow("LF CR") << "a\n\rb"
                               << "a\n\nb";
        QTest::newRow("CR LF CR LF") << "a\r\n\r\nb"
                                     << "a\n\nb";
        QTest::newRow("lone CRs") << "\ra\r\rb\r"
                                  << "\na\n\nb\n";
        QTest::newRow("trailing CR LF") << "x\r\n"
                                        << "x\n";
        QTest::newRow("no CR untouched") << "a\nb"
                                         << "a\nb";
        QTest::newRow("other separators stay")
            << u"a\u2028b\u0085c\fd"_qs << u"a\u2028b\u0085c\fd"_qs;
        QTest::newRow("empty") << ""
                               << "";
    }
    void lineEnds()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QString text = input;
        QString& same = TextFileDecoder::replaceStringWithNewline(text);
        QCOMPARE(&same, &text);
        QCOMPARE(text, expected);
    }

    void lineEndsOfNothingStayNothing()
    {
        std::optional<QString> none;
        QVERIFY(!TextFileDecoder::replaceStringWithNewline(none));
    }

    void lineEndsLeaveSharedCopiesAlone()
    {
        const QString original = QStringLiteral("a\r\nb");
        QString copy = original;
        TextFileDecoder::replaceStringWithNewline(copy);
        QCOMPARE(copy, QStringLiteral("a\nb"));
        QCOMPARE(original, QStringLiteral("a\r\nb"));
    }
};

QTEST_APPLESS_MAIN(TestKWSmartStringFileReader)
#include "tst_textfiledecoder.moc"
