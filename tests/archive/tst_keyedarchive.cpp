#include "codectestsupport.h"

#include "core/array.h"
#include "core/dict.h"
#include "archive/keyedarchivereader.h"
#include "archive/keyedarchivewriter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace quillory;
using namespace quillory::codectest;

namespace {

const QString kSimpleDict = QStringLiteral("macos_NSDictionary-NSArray-NSNumber__simpleDict.plist");
const QString kUuidV4 = QStringLiteral("macos_NSUUID-root_NS.uuidbytes__UUIDv4.bin.plist");
const QString kReference =
    QStringLiteral("macos_NSDictionary_same-object-twice__reference.bin.plist");
const QString kRunningProcesses = QStringLiteral(
    "ios_NSMutableArray-of-328-NSMutableDictionary_2byte-UIDs__nsarray_runningprocesses.bplist");
const QString kGpuCounters =
    QStringLiteral("ios_16byte-ints_UTF16_2byte-refs_4byte-offsets__nsarray_gpucounters.bplist");
const QString kGpuInfo = QStringLiteral(
    "ios_NSMutableArray-NSMutableDictionary-bool-real-8byte-int__nsarray_gpuinfo.bplist");

#define REQUIRE_FIXTURES()                                                                         \
    if (fixtureFolder().isEmpty())                                                                 \
    QSKIP("the keyed-archive fixtures are missing (QUILLORY_FIXTURES_DIR/keyedarchive)")

#define REQUIRE_PYTHON()                                                                           \
    if (!havePython())                                                                             \
    QSKIP("python3 is not installed")

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

Value str(const char* utf8, bool isMutable = false)
{
    return Value::string(QString::fromUtf8(utf8), isMutable);
}

DictPtr dictOf(std::initializer_list<std::pair<QString, Value>> entries, bool isMutable = true)
{
    DictPtr d = Dict::make(isMutable);
    for (const auto& e : entries)
        d->entries.push_back(e);
    return d;
}

// A graph with every class and corner the document format can carry.
Value richGraph()
{
    const DictPtr shared = dictOf({{QStringLiteral("shared"), Value::boolean(true)}});
    const ArrayPtr sharedList = Array::make({str("x"), Value::integer(1)}, true);
    DictPtr many = Dict::make(false);
    for (int i = 0; i < 300; ++i)
        many->entries.emplace_back(QStringLiteral("k%1").arg(i), Value::integer(i * 1000));

    std::vector<Value> numbers = {
        Value::integer(0),
        Value::integer(255),
        Value::integer(256),
        Value::integer(qint64(1) << 40),
        Value::integer(-5),
        Value::integer(std::numeric_limits<qint64>::max()),
        Value::integer(std::numeric_limits<qint64>::min()),
        Value::unsignedInteger(std::numeric_limits<quint64>::max()),
        Value::real(0.1),
        Value::real(-1e300),
        Value::boolean(false),
        Value::boolean(true),
    };
    const DictPtr root = dictOf({
        {QStringLiteral("ascii"), str("plain text")},
        {QStringLiteral("empty"), str("")},
        {QStringLiteral("accents"), str("d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x99")},
        {s("emoji \xF0\x9F\x98\x80 key"), str("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD thumbs")},
        {QStringLiteral("mutable"), str("edit me", true)},
        {QStringLiteral("mutableEmpty"), str("", true)},
        {QStringLiteral("numbers"), Value::array(Array::make(numbers, false))},
        {QStringLiteral("data"), Value::data(QByteArray("\x00\x01\xff", 3))},
        {QStringLiteral("mutableData"), Value::data(QByteArray(), true)},
        {QStringLiteral("uuid"),
         Value::uuid(QUuid::fromString(QStringLiteral("71DC068E-3420-45FF-919E-3A267D55EC22")))},
        {QStringLiteral("date"), Value::date({680457815.615284})},
        {QStringLiteral("nil"), Value()},
        {QStringLiteral("list with nil"),
         Value::array(Array::make({str("a"), Value(), str("b")}, true))},
        {QStringLiteral("shared once"), Value::dict(shared)},
        {QStringLiteral("shared twice"), Value::dict(shared)},
        {QStringLiteral("lists"),
         Value::array(Array::make({Value::array(sharedList), Value::array(sharedList)}, true))},
        {QStringLiteral("many"), Value::dict(many)},
        {QStringLiteral("immutable nested"),
         Value::dict(
             dictOf({{QStringLiteral("inner"), Value::array(Array::make({}, false))}}, false))},
    });
    return Value::dict(root);
}

// A flat list of n records shaped like a document's.
Value recordList(int n)
{
    auto list = Array::make({}, true);
    for (int i = 0; i < n; ++i)
        list->items.push_back(Value::dict(dictOf({{QStringLiteral("1"), Value::integer(i)},
                                                  {QStringLiteral("2"), Value::boolean(i % 3 == 0)},
                                                  {QStringLiteral("3"), str("field")}})));
    return Value::array(list);
}

Value nested(int depth)
{
    Value v = str("leaf");
    for (int i = 0; i < depth; ++i)
        v = Value::array(Array::make({v}, true));
    return v;
}

QString jsonText(const QJsonValue& v)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact));
}

std::optional<Value> decodeFixture(const QString& name, const QString& topKey, QString* error)
{
    KeyedArchiveReader r;
    if (!r.open(readFile(fixturePath(name)))) {
        *error = r.error();
        return std::nullopt;
    }
    auto v = r.decodeTop(topKey);
    *error = r.error();
    return v;
}

std::optional<Value> decodeFixtureObject(const QString& name, quint64 index, QString* error)
{
    KeyedArchiveReader r;
    if (!r.open(readFile(fixturePath(name)))) {
        *error = r.error();
        return std::nullopt;
    }
    auto v = r.decodeObject(index);
    *error = r.error();
    return v;
}

struct FixtureCase
{
    QString file;
    QString topKey;
    QString failure; // what the refusal of the top object names; empty when it decodes
};

std::vector<FixtureCase> fixtureCases()
{
    const QString root = QStringLiteral("root");
    return {
        {kGpuCounters, root, QStringLiteral("key that is not a string")},
        {kGpuInfo, root, QString()},
        {kRunningProcesses, root, QString()},
        {QStringLiteral(
             "ios_NSMutableDictionary-int-key_NSMutableArray_NSDate__uint64-key-dictionary.bin"),
         root, QStringLiteral("key that is not a string")},
        {QStringLiteral("macos10.14_NSMutableString-NS.string_NSMutableArray-NSMutableData__"
                        "NSMutableAttributedString.archive"),
         root, QStringLiteral("unsupported archived class 'NSMutableAttributedString'")},
        {QStringLiteral("macos10.14_UTF16-string-degree-sign__NSMeasurement-Angle.archive"), root,
         QStringLiteral("unsupported archived class 'NSMeasurement'")},
        {QStringLiteral("macos_NSData-inline-root__data_archive.plist"), root, QString()},
        {kSimpleDict, root, QString()},
        {QStringLiteral("macos_NSDictionary-NSArray-NSUUID-NSURL-NSNull__NSKeyedUnarchiver-"
                        "ComplexTest.plist"),
         root, QStringLiteral("unsupported archived class 'NSNull'")},
        {QStringLiteral(
             "macos_NSDictionary-NSMutableDictionary_cycle__recursive_dict_archive.plist"),
         root, QStringLiteral("reference cycle")},
        {kReference, root, QStringLiteral("unsupported archived class 'NSURL'")},
        {QStringLiteral("macos_NSMutableArray_contains-itself__circularReference.plist"), root,
         QStringLiteral("reference cycle")},
        {QStringLiteral("macos_NSMutableData-NS.data_from-dataUsingEncoding__nsData.plist"), root,
         QString()},
        {kUuidV4, root, QString()},
        {QStringLiteral("macos_custom-object_inline-bool-int_NSArray__note.plist"), root,
         QStringLiteral("unsupported archived class 'Note'")},
        {QStringLiteral(
             "macos_mapped-class-no-classes_NSSet-NSArray-NSDictionary__collections.bin.plist"),
         root, QStringLiteral("unsupported archived class 'TestDummy'")},
        {QStringLiteral("macos_nil-root-UID0__null.bin.plist"), root, QString()},
        {QStringLiteral("macos_top-key-dollar0_NSDictionary-NSMutableArray-bool__dict.bin"),
         QStringLiteral("$0"), QString()},
        {QStringLiteral("macos_top-keys-dollar0-11_number-bool-data-uniquing__primitives.bin"),
         QStringLiteral("$0"), QString()},
        {QStringLiteral("xcode_NSUUID-NSURL-NSMutableDictionary-bools__xctestconfiguration.bin"),
         root, QStringLiteral("unsupported archived class 'XCTestConfiguration'")},
    };
}

} // namespace

Q_DECLARE_METATYPE(quillory::Value)

class TestKeyedArchive : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void everyFixtureReadsWithoutCrash_data();
    void everyFixtureReadsWithoutCrash();
    void everyFixtureIsCovered();
    void immutableContainersKeepTheirClass();
    void uuidsDecodeFromTheirRfc4122Bytes();
    void recordsLikeListDecodesWithDates();
    void sixteenByteAndWideIntegersDecode();
    void stringsAndDataKeepTheirMutability();
    void topKeysOtherThanRootAndNil();
    void cyclesAreRefused_data();
    void cyclesAreRefused();
    void sharedObjectDecodesToOneContainer();
    void classChainIsOptional();
    void widthsAndOrderDoNotChangeTheResult_data();
    void widthsAndOrderDoNotChangeTheResult();
    void malformedArchivesAreRefused_data();
    void malformedArchivesAreRefused();
    void deepNestingIsRefusedWithoutOverflow();

    void writtenArchiveReadsTheSameEverywhere_data();
    void writtenArchiveReadsTheSameEverywhere();
    void writtenArchiveRoundTripsKeepingIdentity();
    void nestingLimitIsTheSameForWriterAndReader();
    void writerRefusesCycles();
    void damagedArchivesFailCleanly();
    void damagedFixturesFailCleanly();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString tmpFile(const QString& name) const { return m_tmp->filePath(name); }
    std::optional<Value> rewriteAndDecode(const QString& name, const QStringList& options,
                                          QString* error);
};

void TestKeyedArchive::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

std::optional<Value> TestKeyedArchive::rewriteAndDecode(const QString& name,
                                                        const QStringList& options, QString* error)
{
    const QString in = name.contains(QLatin1Char('/')) ? name : fixturePath(name);
    const QString out = tmpFile(QStringLiteral("rewritten.plist"));
    if (!independentRewrite(in, out, options, error))
        return std::nullopt;
    return KeyedArchiveReader::rootObject(readFile(out), error);
}

void TestKeyedArchive::everyFixtureReadsWithoutCrash_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("topKey");
    QTest::addColumn<QString>("failure"); // empty: the top object decodes
    for (const FixtureCase& c : fixtureCases())
        QTest::newRow(qPrintable(c.file.section(QStringLiteral("__"), 1)))
            << c.file << c.topKey << c.failure;
}

void TestKeyedArchive::everyFixtureReadsWithoutCrash()
{
    REQUIRE_FIXTURES();
    QFETCH(QString, file);
    QFETCH(QString, topKey);
    QFETCH(QString, failure);

    KeyedArchiveReader r;
    QVERIFY2(r.open(readFile(fixturePath(file))), qPrintable(r.error()));
    const std::optional<Value> top = r.decodeTop(topKey);
    if (failure.isEmpty())
        QVERIFY2(top, qPrintable(r.error()));
    else
        QVERIFY2(!top && r.error().contains(failure), qPrintable(r.error()));

    // Every object on its own: a value, or a refusal that says why.
    for (quint64 i = 0; i < r.objectCount(); ++i) {
        const std::optional<Value> v = r.decodeObject(i);
        QVERIFY2(v || !r.error().isEmpty(), qPrintable(QStringLiteral("object %1").arg(i)));
    }
}

void TestKeyedArchive::everyFixtureIsCovered()
{
    REQUIRE_FIXTURES();
    // A fixture added to the folder must be added to the table too.
    QStringList listed;
    for (const FixtureCase& c : fixtureCases())
        listed << c.file;
    QStringList present = QDir(fixtureFolder()).entryList(QDir::Files);
    present.removeAll(QStringLiteral("PROVENANCE.md"));
    present.removeAll(QStringLiteral("MANIFEST.sha256"));
    listed.sort();
    present.sort();
    QCOMPARE(present, listed);
}

void TestKeyedArchive::immutableContainersKeepTheirClass()
{
    REQUIRE_FIXTURES();
    QString error;
    const auto v = decodeFixture(kSimpleDict, QStringLiteral("root"), &error);
    QVERIFY2(v, qPrintable(error));
    const DictPtr d = v->toDict();
    QVERIFY(d);
    QVERIFY(!d->isMutable);
    QCOMPARE(d->entries.size(), size_t(3));
    QCOMPARE(d->entries[0].first, QStringLiteral("Array key"));
    const ArrayPtr a = d->value(u"Array key").toArray();
    QVERIFY(a && !a->isMutable);
    QCOMPARE(a->items,
             (std::vector<Value>{Value::integer(1), Value::integer(2), Value::integer(3)}));
    QCOMPARE(d->value(u"First key"), Value::string(QStringLiteral("First value")));
    QCOMPARE(d->value(u"Second key").toString(), QStringLiteral("Second value"));
}

void TestKeyedArchive::uuidsDecodeFromTheirRfc4122Bytes()
{
    REQUIRE_FIXTURES();
    QString error;
    auto v = decodeFixture(kUuidV4, QStringLiteral("root"), &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->type(), Value::Type::Uuid);
    QCOMPARE(v->toUuid(),
             QUuid::fromString(QStringLiteral("e98a110a-1409-47ab-b9c9-66f2633f570f")));

    // The ComplexTest root holds NSNull and NSURL, but its NSUUID (object 21) reads alone.
    v = decodeFixtureObject(QStringLiteral("macos_NSDictionary-NSArray-NSUUID-NSURL-NSNull__"
                                           "NSKeyedUnarchiver-ComplexTest.plist"),
                            21, &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->toUuid(),
             QUuid::fromString(QStringLiteral("71DC068E-3420-45FF-919E-3A267D55EC22")));

    v = decodeFixtureObject(
        QStringLiteral("xcode_NSUUID-NSURL-NSMutableDictionary-bools__xctestconfiguration.bin"), 10,
        &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->toUuid(),
             QUuid::fromString(QStringLiteral("be7edfce-da6a-402d-95d3-2d919955a29a")));
}

void TestKeyedArchive::recordsLikeListDecodesWithDates()
{
    REQUIRE_FIXTURES();
    QString error;
    const auto v = decodeFixture(kRunningProcesses, QStringLiteral("root"), &error);
    QVERIFY2(v, qPrintable(error));
    const ArrayPtr list = v->toArray();
    QVERIFY(list && list->isMutable);
    QCOMPARE(list->items.size(), size_t(328));
    for (const Value& item : list->items)
        QVERIFY(item.toDict() && item.toDict()->isMutable);
    const DictPtr first = list->items[0].toDict();
    QCOMPARE(first->value(u"name").toString(), QStringLiteral("contactsd"));
    QCOMPARE(first->value(u"pid"), Value::integer(84474));
    QCOMPARE(first->value(u"isApplication"), Value::boolean(false));
    QCOMPARE(first->value(u"startDate").type(), Value::Type::Date);
    QCOMPARE(first->value(u"startDate").toDate().secondsSince2001, 680457815.615284);
    // Records far down the list are reached through 2-byte UIDs.
    QVERIFY(!list->items.back().toDict()->value(u"name").toString().isEmpty());
}

void TestKeyedArchive::sixteenByteAndWideIntegersDecode()
{
    REQUIRE_FIXTURES();
    KeyedArchiveReader r;
    QVERIFY(r.open(readFile(fixturePath(kGpuCounters))));
    // Objects 7 to 10 are the dictionary keys 0, 3, 2, 1, stored as 16-byte integers.
    const qint64 expected[] = {0, 3, 2, 1};
    for (quint64 i = 0; i < 4; ++i) {
        const auto v = r.decodeObject(7 + i);
        QVERIFY2(v, qPrintable(r.error()));
        QCOMPARE(v->type(), Value::Type::Integer);
        QCOMPARE(v->toInteger(), expected[i]);
    }
    const auto text = r.decodeObject(53);
    QVERIFY(text && text->toString().contains(QChar(0x2019)));
    QVERIFY(text->toString().startsWith(QStringLiteral("Measures the time during which GPU")));

    QString error;
    const auto info = decodeFixture(kGpuInfo, QStringLiteral("root"), &error);
    QVERIFY2(info, qPrintable(error));
    const DictPtr gpu = info->toArray()->items.at(0).toDict();
    QVERIFY(gpu && !gpu->isMutable);
    QCOMPARE(gpu->value(u"headless"), Value::boolean(false));
    QCOMPARE(gpu->value(u"vendor-name").toString(), QStringLiteral("Apple"));
    QCOMPARE(gpu->value(u"product-name").type(), Value::Type::String);
    QVERIFY(gpu->value(u"product-name").toString().isEmpty());
    QCOMPARE(gpu->value(u"accelerator-id"), Value::integer(4294967998));
    QVERIFY(gpu->value(u"perf-state").toDict()->isMutable);
    const ArrayPtr displays = gpu->value(u"displays").toArray();
    QVERIFY(displays && displays->isMutable);
    const DictPtr display = displays->items.at(0).toDict();
    QVERIFY(display && !display->isMutable);
    QCOMPARE(display->value(u"pixel-width"), Value::real(1242.0));
    QCOMPARE(display->value(u"built-in"), Value::boolean(true));
}

void TestKeyedArchive::stringsAndDataKeepTheirMutability()
{
    REQUIRE_FIXTURES();
    const QString attributed = QStringLiteral("macos10.14_NSMutableString-NS.string_NSMutableArray-"
                                              "NSMutableData__NSMutableAttributedString.archive");
    QString error;
    auto v = decodeFixtureObject(attributed, 2, &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->toString(), QStringLiteral("0123456789"));
    QVERIFY(v->isMutable());
    v = decodeFixtureObject(attributed, 17, &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->toData(), QByteArray::fromHex("010001010402020101030100"));
    QVERIFY(v->isMutable());

    v = decodeFixture(
        QStringLiteral("macos_NSMutableData-NS.data_from-dataUsingEncoding__nsData.plist"),
        QStringLiteral("root"), &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->toData(), QByteArray("Some data!"));
    QVERIFY(v->isMutable());

    v = decodeFixture(QStringLiteral("macos_NSData-inline-root__data_archive.plist"),
                      QStringLiteral("root"), &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->toData(), QByteArray::fromHex("cafebabe00010203"));
    QVERIFY(!v->isMutable());

    v = decodeFixtureObject(
        QStringLiteral("macos10.14_UTF16-string-degree-sign__NSMeasurement-Angle.archive"), 3,
        &error);
    QVERIFY2(v, qPrintable(error));
    QCOMPARE(v->toString(), QString(QChar(0x00B0)));
    QVERIFY(!v->isMutable());
}

void TestKeyedArchive::topKeysOtherThanRootAndNil()
{
    REQUIRE_FIXTURES();
    QString error;
    const QString dictFile =
        QStringLiteral("macos_top-key-dollar0_NSDictionary-NSMutableArray-bool__dict.bin");
    QVERIFY(!decodeFixture(dictFile, QStringLiteral("root"), &error));
    QVERIFY2(error.contains(QStringLiteral("no root object")), qPrintable(error));
    auto v = decodeFixture(dictFile, QStringLiteral("$0"), &error);
    QVERIFY2(v, qPrintable(error));
    const DictPtr d = v->toDict();
    QCOMPARE(d->value(u"int"), Value::integer(1));
    QCOMPARE(d->value(u"string").toString(), QStringLiteral("string"));
    const ArrayPtr a = d->value(u"array").toArray();
    QVERIFY(a && a->isMutable);
    // A boolean stays a boolean, not the integer 1.
    QCOMPARE(a->items,
             (std::vector<Value>{Value::boolean(true), str("Hello, World!"), Value::integer(42)}));

    KeyedArchiveReader r;
    QVERIFY(r.open(readFile(fixturePath(
        QStringLiteral("macos_top-keys-dollar0-11_number-bool-data-uniquing__primitives.bin")))));
    QCOMPARE(r.topObjectIndex(QStringLiteral("$0")), r.topObjectIndex(QStringLiteral("$1")));
    QCOMPARE(*r.decodeTop(QStringLiteral("$2")), Value::real(1.0));
    QCOMPARE(*r.decodeTop(QStringLiteral("$3")), Value::real(1.5));
    QCOMPARE(r.decodeTop(QStringLiteral("$4"))->toData(), QByteArray("asdfasdfadsfadsf"));
    QCOMPARE(*r.decodeTop(QStringLiteral("$5")), Value::boolean(true));
    QCOMPARE(*r.decodeTop(QStringLiteral("$9")), Value::boolean(false));
    QCOMPARE(*r.decodeTop(QStringLiteral("$11")), Value::integer(42));

    v = decodeFixture(QStringLiteral("macos_nil-root-UID0__null.bin.plist"), QStringLiteral("root"),
                      &error);
    QVERIFY2(v, qPrintable(error));
    QVERIFY(v->isNone());
}

void TestKeyedArchive::cyclesAreRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<quint64>("other"); // an object outside the cycle, still readable afterwards
    QTest::newRow("array containing itself")
        << QStringLiteral("macos_NSMutableArray_contains-itself__circularReference.plist")
        << quint64(0);
    QTest::newRow("two dictionaries")
        << QStringLiteral(
               "macos_NSDictionary-NSMutableDictionary_cycle__recursive_dict_archive.plist")
        << quint64(2);
}

void TestKeyedArchive::cyclesAreRefused()
{
    REQUIRE_FIXTURES();
    QFETCH(QString, file);
    QFETCH(quint64, other);
    KeyedArchiveReader r;
    QVERIFY(r.open(readFile(fixturePath(file))));
    QVERIFY(!r.decodeTop());
    QVERIFY2(r.error().contains(QStringLiteral("reference cycle")), qPrintable(r.error()));
    QVERIFY(!r.decodeTop()); // the failed attempt left nothing half-done behind
    QVERIFY2(r.error().contains(QStringLiteral("reference cycle")), qPrintable(r.error()));
    QVERIFY2(r.decodeObject(other), qPrintable(r.error()));
}

void TestKeyedArchive::sharedObjectDecodesToOneContainer()
{
    REQUIRE_FIXTURES();
    REQUIRE_PYTHON();
    // Apple stored one object under two keys (both UID 4). It is an NSURL there; made an
    // NSMutableArray, the same references must give one shared container.
    QString error;
    const auto v = rewriteAndDecode(
        kReference,
        {QStringLiteral("--patch"),
         QStringLiteral("o = d['$objects']\n"
                        "o[4] = {'NS.objects': [UID(5)], '$class': UID(6)}\n"
                        "o[6] = {'$classname': 'NSMutableArray',"
                        " '$classes': ['NSMutableArray', 'NSArray', 'NSObject']}\n")},
        &error);
    QVERIFY2(v, qPrintable(error));
    const DictPtr d = v->toDict();
    const ArrayPtr one = d->value(u"copyOne").toArray();
    QVERIFY(one);
    QCOMPARE(one->items, std::vector<Value>{str("https://example.com/foo/bar?a=b#hash")});
    QCOMPARE(d->value(u"copyTwo").toArray(), one);
}

void TestKeyedArchive::classChainIsOptional()
{
    REQUIRE_FIXTURES();
    REQUIRE_PYTHON();
    QString error;
    const auto v =
        rewriteAndDecode(kSimpleDict,
                         {QStringLiteral("--patch"),
                          QStringLiteral("for o in d['$objects']:\n"
                                         "    if isinstance(o, dict): o.pop('$classes', None)\n")},
                         &error);
    QVERIFY2(v, qPrintable(error));
    const auto original = decodeFixture(kSimpleDict, QStringLiteral("root"), &error);
    QCOMPARE(*v, *original);
}

void TestKeyedArchive::widthsAndOrderDoNotChangeTheResult_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("options");
    const QStringList wide = {QStringLiteral("--ref-size"),    QStringLiteral("3"),
                              QStringLiteral("--offset-size"), QStringLiteral("3"),
                              QStringLiteral("--int-width"),   QStringLiteral("8"),
                              QStringLiteral("--uid-width"),   QStringLiteral("3"),
                              QStringLiteral("--reverse")};
    QTest::newRow("records, 3-byte widths, reversed") << kRunningProcesses << wide;
    QTest::newRow("records, 8-byte refs and offsets")
        << kRunningProcesses
        << QStringList{QStringLiteral("--ref-size"), QStringLiteral("8"),
                       QStringLiteral("--offset-size"), QStringLiteral("8")};
    QTest::newRow("mixed, 16-byte integers")
        << kGpuInfo << QStringList{QStringLiteral("--int16"),  QStringLiteral("0"),
                                   QStringLiteral("--int16"),  QStringLiteral("1"),
                                   QStringLiteral("--int16"),  QStringLiteral("4294967998"),
                                   QStringLiteral("--reverse")};
}

void TestKeyedArchive::widthsAndOrderDoNotChangeTheResult()
{
    REQUIRE_FIXTURES();
    REQUIRE_PYTHON();
    QFETCH(QString, file);
    QFETCH(QStringList, options);
    QString error;
    const auto original = decodeFixture(file, QStringLiteral("root"), &error);
    QVERIFY2(original, qPrintable(error));
    const auto rewritten = rewriteAndDecode(file, options, &error);
    QVERIFY2(rewritten, qPrintable(error));
    QVERIFY(*rewritten == *original);
}

void TestKeyedArchive::malformedArchivesAreRefused_data()
{
    QTest::addColumn<QString>("patch");
    QTest::addColumn<QString>("reason");
    // Each patch works on simpleDict: $objects 1 is the root dictionary, 5 its array, 9 and 12
    // the class dictionaries.
    QTest::newRow("wrong archiver")
        << QStringLiteral("d['$archiver'] = 'NSArchiver'") << QStringLiteral("$archiver");
    QTest::newRow("wrong version")
        << QStringLiteral("d['$version'] = 100001") << QStringLiteral("$version");
    QTest::newRow("version as a string")
        << QStringLiteral("d['$version'] = '100000'") << QStringLiteral("$version");
    QTest::newRow("no root in $top")
        << QStringLiteral("d['$top'] = {'$0': UID(1)}") << QStringLiteral("no root object");
    QTest::newRow("root is not a UID")
        << QStringLiteral("d['$top'] = {'root': 1}") << QStringLiteral("not an object reference");
    QTest::newRow("no $objects") << QStringLiteral("del d['$objects']")
                                 << QStringLiteral("$objects is missing");
    QTest::newRow("UID past $objects")
        << QStringLiteral("d['$objects'][1]['NS.objects'][0] = UID(99)")
        << QStringLiteral("past the 13 archived objects");
    QTest::newRow("fake UID dictionary")
        << QStringLiteral("d['$objects'][1]['NS.objects'][1] = {'CF$UID': 10}")
        << QStringLiteral("value where a reference belongs");
    QTest::newRow("inline value in NS.objects")
        << QStringLiteral("d['$objects'][5]['NS.objects'][0] = 1")
        << QStringLiteral("value where a reference belongs");
    QTest::newRow("keys and values differ in number")
        << QStringLiteral("d['$objects'][1]['NS.objects'].pop()")
        << QStringLiteral("3 keys for 2 values");
    QTest::newRow("number as key") << QStringLiteral("d['$objects'][1]['NS.keys'][0] = UID(6)")
                                   << QStringLiteral("key that is not a string");
    QTest::newRow("object without class")
        << QStringLiteral("del d['$objects'][5]['$class']") << QStringLiteral("has no class");
    QTest::newRow("class without name")
        << QStringLiteral("del d['$objects'][9]['$classname']") << QStringLiteral("no class name");
    QTest::newRow("unknown class") << QStringLiteral("d['$objects'][9]['$classname'] = 'NSURL'")
                                   << QStringLiteral("unsupported archived class 'NSURL'");
    QTest::newRow("class reference to a string")
        << QStringLiteral("d['$objects'][5]['$class'] = UID(2)")
        << QStringLiteral("not a dictionary");
    QTest::newRow("dictionary without NS.keys")
        << QStringLiteral("del d['$objects'][1]['NS.keys']") << QStringLiteral("NS.keys");
    QTest::newRow("bare array in $objects") << QStringLiteral("d['$objects'][5] = [UID(6)]")
                                            << QStringLiteral("neither a value nor an object");
    QTest::newRow("NS.string referring to itself")
        << QStringLiteral("o = d['$objects']\n"
                          "o[10] = {'NS.string': UID(10), '$class': UID(9)}\n"
                          "o[9] = {'$classname': 'NSMutableString',"
                          " '$classes': ['NSMutableString', 'NSString', 'NSObject']}\n")
        << QStringLiteral("NS.string");
    QTest::newRow("UUID of 15 bytes")
        << QStringLiteral("o = d['$objects']\n"
                          "o[10] = {'NS.uuidbytes': bytes(15), '$class': UID(9)}\n"
                          "o[9] = {'$classname': 'NSUUID', '$classes': ['NSUUID', 'NSObject']}\n")
        << QStringLiteral("16 bytes");
    QTest::newRow("top object is an array")
        << QStringLiteral("d.clear()\nd['x'] = 1") << QStringLiteral("$archiver");
}

void TestKeyedArchive::malformedArchivesAreRefused()
{
    REQUIRE_FIXTURES();
    REQUIRE_PYTHON();
    QFETCH(QString, patch);
    QFETCH(QString, reason);
    QString error;
    const auto v = rewriteAndDecode(kSimpleDict, {QStringLiteral("--patch"), patch}, &error);
    QVERIFY(!v);
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestKeyedArchive::deepNestingIsRefusedWithoutOverflow()
{
    REQUIRE_FIXTURES();
    REQUIRE_PYTHON();
    // 100,000 arrays each holding the next: far deeper than any stack would survive.
    const int depth = 100000;
    QString error;
    const auto v = rewriteAndDecode(
        kSimpleDict,
        {QStringLiteral("--patch"),
         QStringLiteral("n = %1\n"
                        "o = ['$null'] + [{'NS.objects': [UID(i + 2)], '$class': UID(n + 2)}"
                        " for i in range(n)]\n"
                        "o += ['leaf', {'$classname': 'NSArray', '$classes': ['NSArray', "
                        "'NSObject']}]\n"
                        "d['$objects'] = o\n")
             .arg(depth)},
        &error);
    QVERIFY(!v);
    QVERIFY2(error.contains(QStringLiteral("deeper than")), qPrintable(error));
}

void TestKeyedArchive::writtenArchiveReadsTheSameEverywhere_data()
{
    QTest::addColumn<Value>("graph");
    QTest::newRow("every class and corner") << richGraph();
    QTest::newRow("nil root") << Value();
    QTest::newRow("string root") << str("\xF0\x9F\x98\x80");
    // Enough objects for 2-byte and then 4-byte references and UIDs.
    QTest::newRow("1,000 records") << recordList(1000);
    QTest::newRow("30,000 records") << recordList(30000);
}

void TestKeyedArchive::writtenArchiveReadsTheSameEverywhere()
{
    REQUIRE_PYTHON();
    QFETCH(Value, graph);
    QString error;
    const auto bytes = KeyedArchiveWriter::archivedData(graph, &error);
    QVERIFY2(bytes, qPrintable(error));
    const QString file = tmpFile(QStringLiteral("written.plist"));
    QVERIFY(writeFile(file, *bytes));

    const auto report = independentCheck(file, &error);
    QVERIFY2(report, qPrintable(error));
    const QJsonArray lint = report->value(QStringLiteral("lint")).toArray();
    QVERIFY2(lint.isEmpty(), qPrintable(jsonText(lint)));
    const QJsonValue theirs = report->value(QStringLiteral("graph"));
    const QJsonValue ours = graphJson(graph);
    QVERIFY2(theirs == ours, qPrintable(jsonText(theirs).left(2000) + QStringLiteral("\n") +
                                        jsonText(ours).left(2000)));
    const QString libplist = report->value(QStringLiteral("plistutil")).toString();
    if (libplist == QStringLiteral("missing"))
        qInfo("plistutil is not installed: libplist's reading was not compared");
    else
        QCOMPARE(libplist, QStringLiteral("ok"));
}

void TestKeyedArchive::writtenArchiveRoundTripsKeepingIdentity()
{
    const Value graph = richGraph();
    QString error;
    const auto bytes = KeyedArchiveWriter::archivedData(graph, &error);
    QVERIFY2(bytes, qPrintable(error));
    const auto back = KeyedArchiveReader::rootObject(*bytes, &error);
    QVERIFY2(back, qPrintable(error));
    QVERIFY(*back == graph);
    QCOMPARE(graphJson(*back), graphJson(graph)); // classes, mutability and sharing too

    const DictPtr d = back->toDict();
    QCOMPARE(d->value(u"shared once").toDict(), d->value(u"shared twice").toDict());
    const ArrayPtr lists = d->value(u"lists").toArray();
    QCOMPARE(lists->items[0].toArray(), lists->items[1].toArray());
    QCOMPARE(d->value(u"numbers").toArray()->items[7].type(), Value::Type::Unsigned);
    QCOMPARE(d->value(u"numbers").toArray()->items[10].type(), Value::Type::Bool);
    QCOMPARE(d->value(u"list with nil").toArray()->items[1].type(), Value::Type::None);
    // Equal record keys are stored once and come back as one shared string.
    const auto records =
        KeyedArchiveReader::rootObject(*KeyedArchiveWriter::archivedData(recordList(3)), &error);
    QVERIFY(records);
    const auto& items = records->toArray()->items;
    QCOMPARE(items[0].toDict()->entries[2].first.constData(),
             items[2].toDict()->entries[2].first.constData());
}

void TestKeyedArchive::nestingLimitIsTheSameForWriterAndReader()
{
    const int limit = KeyedArchiveReader::kMaxDepth;
    QString error;
    const auto deepest = KeyedArchiveWriter::archivedData(nested(limit), &error);
    QVERIFY2(deepest, qPrintable(error));
    const auto back = KeyedArchiveReader::rootObject(*deepest, &error);
    QVERIFY2(back, qPrintable(error));
    QVERIFY(*back == nested(limit));

    QVERIFY(!KeyedArchiveWriter::archivedData(nested(limit + 1), &error));
    QVERIFY2(error.contains(QStringLiteral("deeper than")), qPrintable(error));
}

void TestKeyedArchive::writerRefusesCycles()
{
    const ArrayPtr loop = Array::make({str("a")}, true);
    const DictPtr holder = dictOf({{QStringLiteral("loop"), Value::array(loop)}});
    loop->items.push_back(Value::dict(holder));
    QString error;
    const auto bytes = KeyedArchiveWriter::archivedData(Value::array(loop), &error);
    loop->items.clear(); // break the cycle so the test does not leak it
    QVERIFY(!bytes);
    QVERIFY2(error.contains(QStringLiteral("contains itself")), qPrintable(error));

    // The same container twice side by side is sharing, not a cycle.
    const ArrayPtr leaf = Array::make({str("x")}, true);
    QVERIFY(KeyedArchiveWriter::archivedData(
        Value::array(Array::make({Value::array(leaf), Value::array(leaf)}))));
}

void TestKeyedArchive::damagedArchivesFailCleanly()
{
    const QByteArray good = *KeyedArchiveWriter::archivedData(
        Value::dict(dictOf({{QStringLiteral("records"), recordList(12)},
                            {QStringLiteral("text"), str("\xE2\x80\x99 text", true)},
                            {QStringLiteral("uuid"), Value::uuid(QUuid::createUuid())},
                            {QStringLiteral("data"), Value::data("bookmark")}})));

    // Every truncation breaks the exact-length rule of the trailer.
    for (qsizetype n = 0; n < good.size(); ++n) {
        QString error;
        QVERIFY(!KeyedArchiveReader::rootObject(good.left(n), &error));
        QVERIFY(!error.isEmpty());
    }
    // Flipped bytes may still decode (inside a string, say), but never crash or loop, and a
    // refusal always says why.
    int refused = 0;
    for (qsizetype i = 0; i < good.size(); ++i) {
        for (uchar mask : {uchar(0x01), uchar(0x80), uchar(0xFF)}) {
            QByteArray bad = good;
            bad[i] = char(uchar(bad[i]) ^ mask);
            QString error;
            if (!KeyedArchiveReader::rootObject(bad, &error)) {
                QVERIFY(!error.isEmpty());
                ++refused;
            }
        }
    }
    QVERIFY(refused > good.size());
    QRandomGenerator random(20240607);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bad = good;
        for (int k = 0; k < 4; ++k)
            bad[random.bounded(int(bad.size()))] = char(random.bounded(256));
        QString error;
        if (!KeyedArchiveReader::rootObject(bad, &error))
            QVERIFY(!error.isEmpty());
    }
}

void TestKeyedArchive::damagedFixturesFailCleanly()
{
    REQUIRE_FIXTURES();
    // Apple's own layouts (2-byte references, 16-byte integers, 4-byte offsets...) damaged at
    // random: every object is still asked for, and nothing may crash or read out of bounds.
    QRandomGenerator random(7);
    for (const FixtureCase& c : fixtureCases()) {
        const QByteArray good = readFile(fixturePath(c.file));
        for (int round = 0; round < 150; ++round) {
            QByteArray bad = good;
            const int changes = 1 + random.bounded(4);
            for (int k = 0; k < changes; ++k)
                bad[random.bounded(int(bad.size()))] = char(random.bounded(256));
            KeyedArchiveReader r;
            if (!r.open(bad)) {
                QVERIFY(!r.error().isEmpty());
                continue;
            }
            if (!r.decodeTop(c.topKey))
                QVERIFY(!r.error().isEmpty());
            for (quint64 i = 0; i < std::min<quint64>(r.objectCount(), 400); ++i)
                if (!r.decodeObject(i))
                    QVERIFY(!r.error().isEmpty());
        }
    }
}

QTEST_APPLESS_MAIN(TestKeyedArchive)
#include "tst_keyedarchive.moc"
