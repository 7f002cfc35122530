#include "support/scratchfolder.h"
#include "support/testdata.h"

#include "archive/binaryplistreader.h"
#include "archive/binaryplistwriter.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

using namespace quillory;
using Kind = BinaryPlistReader::Kind;

namespace {

// A file whose only object is object: header, object, one offset and the trailer.
QByteArray soleObjectFile(const QByteArray& object)
{
    const qsizetype table = 8 + object.size();
    const int offsetSize = table < 0x100 ? 1 : 2;
    QByteArray file = "bplist00" + object + QByteArray(offsetSize - 1, '\0') + '\x08';
    file += QByteArray(6, '\0') + char(offsetSize) + '\x01';
    for (const quint64 v : {quint64(1), quint64(0), quint64(table)})
        for (int shift = 56; shift >= 0; shift -= 8)
            file += char(uchar(v >> shift));
    return file;
}

// Writes object 0 from its description in plist_objects.tsv ("int -5", "str abc"...).
void writeDescribed(BinaryPlistWriter& w, const QString& value)
{
    const QString kind = value.section(u' ', 0, 0);
    const QString text = value.section(u' ', 1);
    bool isSigned = false;
    const qint64 n = text.toLongLong(&isSigned);
    if (kind == u"int" && isSigned)
        w.writeInteger(0, n);
    else if (kind == u"int")
        w.writeUnsigned(0, text.toULongLong());
    else if (kind == u"uid")
        w.writeUid(0, text.toULongLong());
    else if (kind == u"real")
        w.writeReal(0, text.toDouble());
    else if (kind == u"bool")
        w.writeBool(0, text == u"true");
    else if (kind == u"data")
        w.writeData(0, QByteArray::fromHex(text.toLatin1()));
    else
        w.writeString(0, text);
}

QString described(const BinaryPlistReader& r, const BinaryPlistReader::Object& o)
{
    switch (o.kind) {
    case Kind::Integer: {
        const BinaryPlistReader::Integer i = r.integer(o);
        if (i.high == 0 || (~i.high == 0 && i.low >> 63))
            return QStringLiteral("int %1").arg(i.high ? QString::number(qint64(i.low))
                                                       : QString::number(i.low));
        return QStringLiteral("int128 %1 %2").arg(i.high).arg(i.low);
    }
    case Kind::Uid:
        return QStringLiteral("uid %1").arg(r.uid(o));
    case Kind::Real:
    case Kind::Date:
        return QStringLiteral("%1 %2").arg(o.kind == Kind::Real ? "real" : "date").arg(r.real(o));
    case Kind::Bool:
        return o.boolValue ? QStringLiteral("bool true") : QStringLiteral("bool false");
    case Kind::Data:
        return QStringLiteral("data %1").arg(QString::fromLatin1(r.data(o).toHex())).trimmed();
    case Kind::AsciiString:
    case Kind::Utf16String:
        return QStringLiteral("str %1").arg(r.string(o)).trimmed();
    default:
        return QStringLiteral("container");
    }
}

// Numbers, strings and data larger than the stream's buffer, in enough objects for 4-byte
// references.
void writeSample(BinaryPlistWriter& w)
{
    const quint64 n = w.objectCount();
    w.beginArray(0, n - 1);
    for (quint64 i = 1; i < n; ++i)
        w.appendReference(i);
    for (quint64 i = 1; i < n; ++i)
        if (i % 20000 == 0)
            w.writeData(i, QByteArray(3 << 20, char(i)));
        else
            w.writeString(i, QStringLiteral("text %1 \u2019").arg(i));
}

} // namespace

class TestBinaryPlist : public QObject
{
    Q_OBJECT

private slots:
    void objectsAreWrittenAndReadAsAppleDoes_data();
    void objectsAreWrittenAndReadAsAppleDoes();
    void widthsAreTheSmallestAppleAccepts_data();
    void widthsAreTheSmallestAppleAccepts();
    void streamingWritesTheSameFileAndReportsAFailingDevice();
};

void TestBinaryPlist::objectsAreWrittenAndReadAsAppleDoes_data()
{
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("hex");
    const QList<QByteArray> lines =
        test::readFile(test::testDataPath(QStringLiteral("archive/plist_objects.tsv"))).split('\n');
    QVERIFY(lines.size() > 40);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QList<QByteArray> cells = lines[n].split('\t');
        if (cells.size() == 3 && !lines[n].startsWith('#'))
            QTest::addRow("line %d: %s", int(n + 1), cells[1].left(30).constData())
                << (cells[0] == "both") << QString::fromUtf8(cells[1]) << cells[2];
    }
}

void TestBinaryPlist::objectsAreWrittenAndReadAsAppleDoes()
{
    QFETCH(bool, written);
    QFETCH(QString, value);
    QFETCH(QByteArray, hex);
    const QByteArray file = soleObjectFile(QByteArray::fromHex(hex));
    if (written) {
        BinaryPlistWriter w(1);
        writeDescribed(w, value);
        QVERIFY(w.finish());
        QCOMPARE(w.takeData().toHex(), file.toHex());
    }
    BinaryPlistReader r;
    QVERIFY2(r.open(file), qPrintable(r.error()));
    BinaryPlistReader::Object o;
    QVERIFY2(r.object(0, o), qPrintable(r.error()));
    QCOMPARE(described(r, o), value);
}

void TestBinaryPlist::widthsAreTheSmallestAppleAccepts_data()
{
    QTest::addColumn<int>("objects");
    QTest::addColumn<int>("dataBytes");
    for (int objects : {255, 256, 65535, 65536})
        QTest::addRow("%d objects", objects) << objects << 1;
    // Data sizes that put the offset table around 255 and 65535.
    for (int bytes = 238; bytes < 248; ++bytes)
        QTest::addRow("%d bytes of data", bytes) << 2 << bytes;
    for (int bytes = 65517; bytes < 65527; ++bytes)
        QTest::addRow("%d bytes of data", bytes) << 2 << bytes;
}

void TestBinaryPlist::widthsAreTheSmallestAppleAccepts()
{
    QFETCH(int, objects);
    QFETCH(int, dataBytes);
    // An array of every other object: booleans, then one data object.
    BinaryPlistWriter w{quint64(objects)};
    w.beginArray(0, quint64(objects - 1));
    for (int i = 1; i < objects; ++i)
        w.appendReference(quint64(i));
    for (int i = 1; i < objects - 1; ++i)
        w.writeBool(quint64(i), true);
    w.writeData(quint64(objects - 1), QByteArray(dataBytes, 'd'));
    QVERIFY(w.finish());
    const QByteArray file = w.takeData();

    // Apple's reader wants 2^(8 * size) above the object count and above the table's offset: a
    // count of 256 needs 2-byte references although the largest reference fits in one byte.
    const uchar* trailer = reinterpret_cast<const uchar*>(file.constData()) + file.size() - 32;
    const auto smallest = [](quint64 v) { return v < 0x100 ? 1 : v < 0x10000 ? 2 : 4; };
    QCOMPARE(int(trailer[7]), smallest(quint64(objects)));
    QCOMPARE(int(trailer[6]), smallest(qFromBigEndian<quint64>(trailer + 24)));
    BinaryPlistReader r;
    QVERIFY2(r.open(file), qPrintable(r.error()));
    BinaryPlistReader::Object array, last;
    quint64 ref = 0;
    QVERIFY(r.object(0, array) && r.reference(array, array.count - 1, ref) && r.object(ref, last));
    QCOMPARE(r.data(last), QByteArray(dataBytes, 'd'));
}

void TestBinaryPlist::streamingWritesTheSameFileAndReportsAFailingDevice()
{
    const quint64 objects = 70001;
    BinaryPlistWriter inMemory{objects};
    writeSample(inMemory);
    QVERIFY(inMemory.finish());
    const QByteArray expected = inMemory.takeData();

    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    BinaryPlistWriter streamed(objects, &buffer);
    writeSample(streamed);
    QVERIFY2(streamed.finish(), qPrintable(streamed.errorString()));
    QVERIFY(buffer.data() == expected);
    BinaryPlistReader r;
    QVERIFY2(r.open(expected), qPrintable(r.error()));

    QFile full(QStringLiteral("/dev/full"));
    QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    BinaryPlistWriter failing(objects, &full);
    writeSample(failing);
    QVERIFY(!failing.finish());
    QVERIFY2(failing.errorString().contains(QStringLiteral("No space left on device")),
             qPrintable(failing.errorString()));
}

QTEST_APPLESS_MAIN(TestBinaryPlist)
#include "tst_binaryplist.moc"
