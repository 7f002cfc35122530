#include "archive/binaryplistreader.h"
#include "archive/binaryplistwriter.h"

#include <QBuffer>
#include <QTest>

#include <limits>

using namespace quillory;
using Kind = BinaryPlistReader::Kind;

namespace {

// A plist assembled byte by byte, for shapes our writer never produces.
struct RawPlist
{
    std::vector<QByteArray> objects;
    int refSize = 1;
    int offsetSize = 1;
    quint64 top = 0;
    bool reverse = false;

    QByteArray build() const
    {
        QByteArray out("bplist00");
        std::vector<quint64> offsets(objects.size());
        for (size_t k = 0; k < objects.size(); ++k) {
            const size_t i = reverse ? objects.size() - 1 - k : k;
            offsets[i] = quint64(out.size());
            out += objects[i];
        }
        const quint64 table = quint64(out.size());
        for (quint64 o : offsets)
            out += be(o, offsetSize);
        out += QByteArray(6, '\0');
        out += char(offsetSize);
        out += char(refSize);
        out += be(objects.size(), 8) + be(top, 8) + be(table, 8);
        return out;
    }
    static QByteArray be(quint64 v, int width)
    {
        QByteArray b;
        for (int i = width - 1; i >= 0; --i)
            b += char(uchar(v >> (8 * i)));
        return b;
    }
};

QByteArray finished(BinaryPlistWriter& w, quint64 top = 0)
{
    return w.finish(top) ? w.takeData() : QByteArray();
}

// Writes the same objects as a file in memory or through a device: a few records, strings and
// data larger than the streaming buffer, and enough objects for 4-byte references.
void writeSample(BinaryPlistWriter& w)
{
    const quint64 n = w.objectCount();
    w.beginArray(0, n - 1);
    for (quint64 i = 1; i < n; ++i)
        w.appendReference(i);
    for (quint64 i = 1; i < n; ++i) {
        if (i % 20000 == 0)
            w.writeData(i, QByteArray(3 << 20, char(i)));
        else if (i % 3 == 0)
            w.writeString(i, QStringLiteral("text %1 \u2019").arg(i));
        else
            w.writeInteger(i, qint64(i) * 977);
    }
}

// Accepts writes until its limit, then fails, as a full disk does.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (written.size() + size > m_limit) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        written.append(data, size);
        return size;
    }

private:
    qint64 m_limit;
};

// The bytes of the only object of a one-object plist.
QByteArray soleObject(const QByteArray& file)
{
    quint64 tableOffset = 0;
    for (int i = 0; i < 8; ++i)
        tableOffset = (tableOffset << 8) | uchar(file[file.size() - 8 + i]);
    return file.mid(8, qsizetype(tableOffset) - 8);
}

// Parses every object and follows every reference; false as soon as something is refused.
bool walkAll(BinaryPlistReader& r)
{
    for (quint64 i = 0; i < r.objectCount(); ++i) {
        BinaryPlistReader::Object o;
        if (!r.object(i, o))
            return false;
        if (o.kind == Kind::Array || o.kind == Kind::Dict || o.kind == Kind::Set) {
            const quint64 n = o.kind == Kind::Dict ? 2 * o.count : o.count;
            for (quint64 p = 0; p < n; ++p) {
                quint64 ref;
                BinaryPlistReader::Object child;
                if (!r.reference(o, p, ref) || !r.object(ref, child))
                    return false;
            }
        }
    }
    return true;
}

} // namespace

class TestBinaryPlist : public QObject
{
    Q_OBJECT

private slots:
    void integersTakeAppleWidths_data();
    void integersTakeAppleWidths();
    void uidsTakeTheirSmallestWidth_data();
    void uidsTakeTheirSmallestWidth();
    void stringsAreAsciiOrUtf16CountedInCodeUnits_data();
    void stringsAreAsciiOrUtf16CountedInCodeUnits();
    void referenceWidthFollowsTheObjectCount_data();
    void referenceWidthFollowsTheObjectCount();
    void offsetWidthFollowsTheTablePosition_data();
    void offsetWidthFollowsTheTablePosition();
    void trailerIsExactAndNothingFollowsIt();
    void writerRefusesAnIncompleteObjectTable();
    void streamingWritesTheSameFile();
    void streamingReportsAFailingDevice();
    void readerAcceptsEveryWidthAppleAccepts();
    void readerRefusesDamagedFiles_data();
    void readerRefusesDamagedFiles();
};

void TestBinaryPlist::integersTakeAppleWidths_data()
{
    QTest::addColumn<bool>("isUnsigned");
    QTest::addColumn<quint64>("bits");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<quint64>("high");

    const quint64 ones = ~quint64(0);
    QTest::newRow("0") << false << quint64(0) << QByteArray("1000") << quint64(0);
    QTest::newRow("255") << false << quint64(255) << QByteArray("10ff") << quint64(0);
    QTest::newRow("256") << false << quint64(256) << QByteArray("110100") << quint64(0);
    QTest::newRow("10000") << false << quint64(10000) << QByteArray("112710") << quint64(0);
    QTest::newRow("65536") << false << quint64(65536) << QByteArray("1200010000") << quint64(0);
    QTest::newRow("2^32-1") << false << quint64(0xFFFFFFFF) << QByteArray("12ffffffff")
                            << quint64(0);
    QTest::newRow("2^32") << false << (quint64(1) << 32) << QByteArray("130000000100000000")
                          << quint64(0);
    QTest::newRow("2^40") << false << (quint64(1) << 40) << QByteArray("130000010000000000")
                          << quint64(0);
    QTest::newRow("-1") << false << ones << QByteArray("13ffffffffffffffff") << ones;
    QTest::newRow("-5") << false << quint64(qint64(-5)) << QByteArray("13fffffffffffffffb") << ones;
    QTest::newRow("INT64_MAX") << false << quint64(std::numeric_limits<qint64>::max())
                               << QByteArray("137fffffffffffffff") << quint64(0);
    QTest::newRow("INT64_MIN") << false << quint64(std::numeric_limits<qint64>::min())
                               << QByteArray("138000000000000000") << ones;
    QTest::newRow("unsigned small") << true << quint64(7) << QByteArray("1007") << quint64(0);
    QTest::newRow("unsigned 2^63")
        << true << (quint64(1) << 63) << QByteArray("1400000000000000008000000000000000")
        << quint64(0);
    QTest::newRow("unsigned max") << true << ones
                                  << QByteArray("140000000000000000ffffffffffffffff") << quint64(0);
}

void TestBinaryPlist::integersTakeAppleWidths()
{
    QFETCH(bool, isUnsigned);
    QFETCH(quint64, bits);
    QFETCH(QByteArray, expected);
    QFETCH(quint64, high);

    BinaryPlistWriter w(1);
    if (isUnsigned)
        w.writeUnsigned(0, bits);
    else
        w.writeInteger(0, qint64(bits));
    const QByteArray file = finished(w);
    QCOMPARE(soleObject(file).toHex(), expected);

    BinaryPlistReader r;
    QVERIFY2(r.open(file), qPrintable(r.error()));
    BinaryPlistReader::Object o;
    QVERIFY(r.object(0, o));
    QCOMPARE(o.kind, Kind::Integer);
    QCOMPARE(r.integer(o).low, bits);
    QCOMPARE(r.integer(o).high, high);
}

void TestBinaryPlist::uidsTakeTheirSmallestWidth_data()
{
    QTest::addColumn<quint64>("uid");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("0") << quint64(0) << QByteArray("8000");
    QTest::newRow("255") << quint64(255) << QByteArray("80ff");
    QTest::newRow("256") << quint64(256) << QByteArray("810100");
    QTest::newRow("65535") << quint64(65535) << QByteArray("81ffff");
    QTest::newRow("65536") << quint64(65536) << QByteArray("8300010000");
    QTest::newRow("2^32-1") << quint64(0xFFFFFFFF) << QByteArray("83ffffffff");
}

void TestBinaryPlist::uidsTakeTheirSmallestWidth()
{
    QFETCH(quint64, uid);
    QFETCH(QByteArray, expected);
    BinaryPlistWriter w(1);
    w.writeUid(0, uid);
    const QByteArray file = finished(w);
    QCOMPARE(soleObject(file).toHex(), expected);
    BinaryPlistReader r;
    QVERIFY(r.open(file));
    BinaryPlistReader::Object o;
    QVERIFY(r.object(0, o));
    QCOMPARE(o.kind, Kind::Uid);
    QCOMPARE(r.uid(o), uid);
}

void TestBinaryPlist::stringsAreAsciiOrUtf16CountedInCodeUnits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty") << QString() << QByteArray("50");
    QTest::newRow("ascii") << QStringLiteral("abc") << QByteArray("53616263");
    QTest::newRow("latin-1 is not ascii") << QStringLiteral("\u00e9") << QByteArray("6100e9");
    QTest::newRow("emoji counts two units")
        << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("62d83dde00");
    QTest::newRow("mixed") << QString::fromUtf8("a\xF0\x9F\x98\x80")
                           << QByteArray("630061d83dde00");
    QTest::newRow("14 ascii") << QString(14, QLatin1Char('x'))
                              << QByteArray("5e") + QByteArray(14, 'x').toHex();
    QTest::newRow("15 ascii, long count")
        << QString(15, QLatin1Char('x')) << QByteArray("5f100f") + QByteArray(15, 'x').toHex();
    QTest::newRow("300 ascii") << QString(300, QLatin1Char('x'))
                               << QByteArray("5f11012c") + QByteArray(300, 'x').toHex();
    QTest::newRow("15 units of utf-16")
        << QString(15, QChar(0x2019)) << QByteArray("6f100f") + QByteArray("2019").repeated(15);
}

void TestBinaryPlist::stringsAreAsciiOrUtf16CountedInCodeUnits()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    BinaryPlistWriter w(1);
    w.writeString(0, text);
    const QByteArray file = finished(w);
    QCOMPARE(soleObject(file).toHex(), expected);
    BinaryPlistReader r;
    QVERIFY(r.open(file));
    BinaryPlistReader::Object o;
    QVERIFY(r.object(0, o));
    QCOMPARE(r.string(o), text);
    QCOMPARE(o.count, quint64(text.size()));
}

void TestBinaryPlist::referenceWidthFollowsTheObjectCount_data()
{
    QTest::addColumn<int>("objects");
    QTest::addColumn<int>("refSize");
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("255") << 255 << 1;
    // Apple's reader wants 2^(8*refSize) above the count, not above the largest reference.
    QTest::newRow("256") << 256 << 2;
    QTest::newRow("65535") << 65535 << 2;
    QTest::newRow("65536") << 65536 << 4;
}

void TestBinaryPlist::referenceWidthFollowsTheObjectCount()
{
    QFETCH(int, objects);
    QFETCH(int, refSize);
    BinaryPlistWriter w{quint64(objects)};
    QCOMPARE(w.refSize(), refSize);
    w.beginArray(0, quint64(objects - 1));
    for (int i = objects - 1; i >= 1; --i)
        w.appendReference(quint64(i));
    for (int i = 1; i < objects; ++i)
        w.writeInteger(quint64(i), i);
    const QByteArray file = finished(w);
    QCOMPARE(int(uchar(file[file.size() - 25])), refSize);

    BinaryPlistReader r;
    QVERIFY2(r.open(file), qPrintable(r.error()));
    BinaryPlistReader::Object array, last;
    quint64 ref;
    QVERIFY(r.object(0, array));
    QCOMPARE(array.count, quint64(objects - 1));
    if (objects > 1) {
        QVERIFY(r.reference(array, array.count - 1, ref));
        QCOMPARE(ref, quint64(1));
        QVERIFY(r.reference(array, 0, ref));
        QVERIFY(r.object(ref, last));
        QCOMPARE(r.integer(last).low, quint64(objects - 1));
    }
}

void TestBinaryPlist::offsetWidthFollowsTheTablePosition_data()
{
    QTest::addColumn<int>("dataBytes");
    QTest::addColumn<int>("offsetSize");
    // The table follows the header (8 bytes) and one data object (marker, count, payload).
    QTest::newRow("table at 255") << 244 << 1;
    QTest::newRow("table at 256") << 245 << 2;
    QTest::newRow("table at 65535") << 65523 << 2;
    QTest::newRow("table at 65536") << 65524 << 4;
}

void TestBinaryPlist::offsetWidthFollowsTheTablePosition()
{
    QFETCH(int, dataBytes);
    QFETCH(int, offsetSize);
    BinaryPlistWriter w(1);
    w.writeData(0, QByteArray(dataBytes, 'd'));
    const QByteArray file = finished(w);
    QCOMPARE(int(uchar(file[file.size() - 26])), offsetSize);
    QCOMPARE(file.size(),
             qsizetype(8 + 1 + (dataBytes < 256 ? 2 : 3) + dataBytes + offsetSize + 32));
    BinaryPlistReader r;
    QVERIFY2(r.open(file), qPrintable(r.error()));
    BinaryPlistReader::Object o;
    QVERIFY(r.object(0, o));
    QCOMPARE(r.data(o), QByteArray(dataBytes, 'd'));
}

void TestBinaryPlist::trailerIsExactAndNothingFollowsIt()
{
    BinaryPlistWriter w(3);
    w.writeString(2, QStringLiteral("b"));
    w.beginDict(1, 1);
    w.appendReference(2);
    w.appendReference(0);
    w.writeBool(0, true);
    const QByteArray file = finished(w, 1);
    // Header, then the objects in the order written ("b", {b: true}, true), their offsets by
    // index, and the trailer.
    QCOMPARE(file.toHex(), QByteArray("62706c6973743030"
                                      "5162"
                                      "d10200"
                                      "09"
                                      "0d0a08"
                                      "000000000000"
                                      "0101"
                                      "0000000000000003"
                                      "0000000000000001"
                                      "000000000000000e"));
    BinaryPlistReader r;
    QVERIFY(r.open(file));
    QCOMPARE(r.topObject(), quint64(1));
    QVERIFY(walkAll(r));
}

void TestBinaryPlist::writerRefusesAnIncompleteObjectTable()
{
    BinaryPlistWriter unwritten(2);
    unwritten.writeBool(0, true);
    QVERIFY(!unwritten.finish());
    QVERIFY(!unwritten.errorString().isEmpty());

    BinaryPlistWriter twice(1);
    twice.writeBool(0, true);
    twice.writeBool(0, false);
    QVERIFY(!twice.finish());
}

void TestBinaryPlist::streamingWritesTheSameFile()
{
    const quint64 objects = 70001;
    BinaryPlistWriter inMemory{objects};
    writeSample(inMemory);
    const QByteArray expected = finished(inMemory);
    QVERIFY(expected.size() > 3 * (3 << 20));

    QBuffer device;
    QVERIFY(device.open(QIODevice::WriteOnly));
    BinaryPlistWriter streamed(objects, &device);
    writeSample(streamed);
    QVERIFY2(streamed.finish(), qPrintable(streamed.errorString()));
    QVERIFY(device.data() == expected);

    BinaryPlistReader r;
    QVERIFY2(r.open(expected), qPrintable(r.error()));
    QCOMPARE(r.objectRefSize(), 4);
    QVERIFY(walkAll(r));
}

void TestBinaryPlist::streamingReportsAFailingDevice()
{
    FullDevice device(5 << 20);
    BinaryPlistWriter w(70001, &device);
    writeSample(w);
    QVERIFY(!w.finish());
    QCOMPARE(w.errorString(), QStringLiteral("No space left on device"));
    QVERIFY(device.written.size() <= 5 << 20);
}

void TestBinaryPlist::readerAcceptsEveryWidthAppleAccepts()
{
    // Three-byte references and offsets, objects stored back to front, the root last, integers
    // wider than needed (8 and 16 bytes), a float32, a 4-byte UID and a count in the long form.
    RawPlist p;
    p.refSize = 3;
    p.offsetSize = 3;
    p.reverse = true;
    p.top = 7;
    p.objects = {
        QByteArray::fromHex("130000000000000001"),
        QByteArray::fromHex("1400000000000000000000000000000003"),
        QByteArray::fromHex("14fffffffffffffffffffffffffffffffb"),
        QByteArray::fromHex("223fc00000"),
        QByteArray::fromHex("8300000002"),
        QByteArray::fromHex("5f1003616263"),
        QByteArray::fromHex("1400000000000000050000000000000000"),
        QByteArray::fromHex("a7") +
            QByteArray::fromHex("000000000001000002000003000004000005000006"),
    };
    const QByteArray file = p.build();
    BinaryPlistReader r;
    QVERIFY2(r.open(file), qPrintable(r.error()));
    QCOMPARE(r.objectRefSize(), 3);
    QCOMPARE(r.offsetIntSize(), 3);
    QVERIFY(walkAll(r));

    BinaryPlistReader::Object o;
    QVERIFY(r.object(0, o));
    QCOMPARE(r.integer(o).low, quint64(1));
    QVERIFY(r.object(1, o));
    QCOMPARE(r.integer(o).low, quint64(3));
    QCOMPARE(r.integer(o).high, quint64(0));
    QVERIFY(r.object(2, o));
    QCOMPARE(qint64(r.integer(o).low), qint64(-5));
    QCOMPARE(r.integer(o).high, ~quint64(0));
    QVERIFY(r.object(3, o));
    QCOMPARE(r.real(o), 1.5);
    QVERIFY(r.object(4, o));
    QCOMPARE(r.uid(o), quint64(2));
    QVERIFY(r.object(5, o));
    QCOMPARE(r.string(o), QStringLiteral("abc"));
    QVERIFY(r.stringEquals(o, "abc"));
    QVERIFY(r.object(6, o));
    QCOMPARE(r.integer(o).high, quint64(5)); // beyond 64 bits: the caller sees both halves
    QVERIFY(r.object(7, o));
    QCOMPARE(o.kind, Kind::Array);
    quint64 ref;
    QVERIFY(r.reference(o, 6, ref));
    QCOMPARE(ref, quint64(6));
    QVERIFY(!r.reference(o, 7, ref));
}

void TestBinaryPlist::readerRefusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason");

    RawPlist good;
    good.objects = {QByteArray::fromHex("a2") + QByteArray::fromHex("0102"),
                    QByteArray::fromHex("5161"), QByteArray::fromHex("09")};
    const QByteArray base = good.build();
    const qsizetype t = base.size() - 32; // trailer start
    auto patched = [&](qsizetype at, const QByteArray& bytes) {
        QByteArray b = base;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    auto withObject = [&](int index, const QByteArray& object) {
        RawPlist p = good;
        p.objects[size_t(index)] = object;
        return p.build();
    };

    QTest::newRow("empty") << QByteArray() << QStringLiteral("not a binary property list");
    QTest::newRow("shorter than header and trailer")
        << base.left(39) << QStringLiteral("not a binary property list");
    QTest::newRow("wrong magic") << patched(0, "bplist01")
                                 << QStringLiteral("not a binary property list");
    QTest::newRow("xml plist") << QByteArray("<?xml version=\"1.0\"?><plist><dict/></plist>"
                                             "                                            ")
                               << QStringLiteral("not a binary property list");
    QTest::newRow("no objects") << patched(t + 8, RawPlist::be(0, 8))
                                << QStringLiteral("trailer is damaged");
    QTest::newRow("top object out of range")
        << patched(t + 16, RawPlist::be(3, 8)) << QStringLiteral("trailer is damaged");
    QTest::newRow("table inside the header")
        << patched(t + 24, RawPlist::be(8, 8)) << QStringLiteral("trailer is damaged");
    QTest::newRow("offset size 0")
        << patched(t + 6, QByteArray(1, '\0')) << QStringLiteral("trailer is damaged");
    QTest::newRow("offset size 9")
        << patched(t + 6, QByteArray(1, '\x09')) << QStringLiteral("trailer is damaged");
    QTest::newRow("ref size 0") << patched(t + 7, QByteArray(1, '\0'))
                                << QStringLiteral("trailer is damaged");
    QTest::newRow("huge object count") << patched(t + 8, RawPlist::be(quint64(1) << 62, 8))
                                       << QStringLiteral("trailer is damaged");
    QTest::newRow("table past the end") << patched(t + 24, RawPlist::be(~quint64(0) - 40, 8))
                                        << QStringLiteral("trailer is damaged");
    QTest::newRow("one trailing byte") << base + '\0' << QStringLiteral("trailer is damaged");
    // The trailer itself intact, but padding before it: Apple's reader wants the exact length.
    QTest::newRow("padding before the trailer")
        << base.left(t) + QByteArray(1, '\0') + base.mid(t) << QStringLiteral("trailer is damaged");
    QTest::newRow("one byte missing")
        << base.left(8) + base.mid(9) << QStringLiteral("trailer is damaged");
    QTest::newRow("offset into the header")
        << patched(t - 3, QByteArray(1, '\x03')) << QStringLiteral("invalid offset");
    QTest::newRow("offset at the table")
        << patched(t - 3, QByteArray(1, char(t - 3))) << QStringLiteral("invalid offset");
    QTest::newRow("reference out of range") << withObject(0, QByteArray::fromHex("a20109"))
                                            << QStringLiteral("reference 9 is out of range");
    QTest::newRow("string count past the table")
        << withObject(1, QByteArray::fromHex("5f13ffffffffffffff00"))
        << QStringLiteral("extends past the object table");
    QTest::newRow("dictionary count past the table")
        << withObject(0, QByteArray::fromHex("df137fffffffffffffff"))
        << QStringLiteral("extends past the object table");
    QTest::newRow("count that is not an integer")
        << withObject(1, QByteArray::fromHex("5f5161")) << QStringLiteral("damaged length");
    QTest::newRow("32-byte integer") << withObject(2, QByteArray::fromHex("15") + QByteArray(32, 0))
                                     << QStringLiteral("unsupported type marker 0x15");
    QTest::newRow("utf-8 string marker") << withObject(1, QByteArray::fromHex("7161"))
                                         << QStringLiteral("unsupported type marker 0x71");
    QTest::newRow("null marker") << withObject(2, QByteArray::fromHex("00"))
                                 << QStringLiteral("unsupported type marker 0x00");
    QTest::newRow("UID above 32 bits") << withObject(2, QByteArray::fromHex("870000000100000000"))
                                       << QStringLiteral("UID out of range");
    QTest::newRow("integer cut by the table") << withObject(2, QByteArray::fromHex("13"))
                                              << QStringLiteral("extends past the object table");

    RawPlist narrow;
    narrow.refSize = 1;
    narrow.objects.assign(256, QByteArray::fromHex("09"));
    QTest::newRow("1-byte references for 256 objects")
        << narrow.build() << QStringLiteral("trailer is damaged");
    RawPlist tight;
    tight.objects = {QByteArray::fromHex("4f1101f4") + QByteArray(500, 'x')};
    QTest::newRow("1-byte offsets for a table at 512")
        << tight.build() << QStringLiteral("trailer is damaged");
}

void TestBinaryPlist::readerRefusesDamagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    BinaryPlistReader r;
    const bool refused = !r.open(file) || !walkAll(r);
    QVERIFY(refused);
    QVERIFY2(r.error().contains(reason), qPrintable(r.error()));
}

QTEST_APPLESS_MAIN(TestBinaryPlist)
#include "tst_binaryplist.moc"
