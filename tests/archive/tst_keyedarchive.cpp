#include "archivecheck.h"

#include "support/scratchfolder.h"
#include "support/testdata.h"

#include "archive/keyedarchivereader.h"
#include "archive/keyedarchivewriter.h"
#include "core/array.h"
#include "core/dict.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTest>

using namespace quillory;

namespace {

// A file of the shared fixtures written by Apple's archiver; the folder itself for no name.
QString fixture(const QString& name = {})
{
    return test::fixturePath(QStringLiteral("keyedarchive/") + name);
}

bool fixturesPresent()
{
    return QDir(fixture()).exists();
}

QString missingFixtures()
{
    return QStringLiteral("the shared keyed-archive fixtures are not in %1").arg(fixture());
}

// The fixtures are kept outside the project: without them, a test of them is skipped with a
// message naming the folder, except under CI, where their absence is a failure.
#define REQUIRE_FIXTURES()                                                                         \
    do {                                                                                           \
        if (!fixturesPresent()) {                                                                  \
            if (qEnvironmentVariable("CI") == QLatin1String("true"))                               \
                QFAIL(qPrintable(missingFixtures()));                                              \
            QSKIP(qPrintable(missingFixtures()));                                                  \
        }                                                                                          \
    } while (false)

// The expectations for each fixture, by file name.
QJsonObject fixtureTable()
{
    return test::readJson(QStringLiteral("archive/fixtures.json")).toObject();
}

// A list of n records shaped like a document's.
Value records(int n)
{
    const ArrayPtr list = Array::make();
    for (int i = 0; i < n; ++i) {
        const DictPtr r = Dict::make();
        r->set(QStringLiteral("1"), Value::integer(i));
        r->set(QStringLiteral("2"), Value::boolean(i % 3 == 0));
        r->set(QStringLiteral("3"), Value::string(QStringLiteral("field")));
        list->items.push_back(Value::dict(r));
    }
    return Value::array(list);
}

Value nested(int depth)
{
    Value v = Value::string(QStringLiteral("leaf"));
    for (int i = 0; i < depth; ++i)
        v = Value::array(Array::make({v}));
    return v;
}

} // namespace

class TestKeyedArchive : public QObject
{
    Q_OBJECT

private slots:
    void appleArchivesReadAsPlistlibReadsThem_data();
    void appleArchivesReadAsPlistlibReadsThem();
    void otherLayoutsReadAndDamageRefused_data();
    void otherLayoutsReadAndDamageRefused();
    void writtenArchivesReadTheSameEverywhere_data();
    void writtenArchivesReadTheSameEverywhere();
    void randomDamageFailsWithAMessage();

private:
    test::ScratchFolder m_scratch;
};

void TestKeyedArchive::appleArchivesReadAsPlistlibReadsThem_data()
{
    QTest::addColumn<QString>("file");
    REQUIRE_FIXTURES();
    // Every fixture in the folder, and every one the table names.
    QStringList files = QDir(fixture()).entryList(QDir::Files) + fixtureTable().keys();
    files.removeAll(QStringLiteral("PROVENANCE.md"));
    files.removeAll(QStringLiteral("MANIFEST.sha256"));
    files.removeDuplicates();
    files.sort();
    for (const QString& file : files)
        QTest::newRow(qPrintable(file.section(QStringLiteral("__"), 1))) << file;
}

void TestKeyedArchive::appleArchivesReadAsPlistlibReadsThem()
{
    QFETCH(QString, file);
    const QJsonObject table = fixtureTable();
    QVERIFY2(table.contains(file), "a fixture needs its row in tests/data/archive/fixtures.json");
    const QJsonObject expected = table[file].toObject();
    const QString path = fixture(file);
    KeyedArchiveReader r;
    QVERIFY2(r.open(test::readFile(path)), qPrintable(r.error()));

    // The top object decodes, or is refused for the reason the table gives.
    const std::optional<Value> top = r.decodeTop(expected[u"top"].toString(QStringLiteral("root")));
    const QString refusal = expected[u"refused"].toString();
    QVERIFY2(refusal.isEmpty() ? top.has_value() : !top && r.error().contains(refusal),
             qPrintable(r.error()));

    // Each object on its own reads as plistlib reads it, or is refused, with a reason, where it
    // holds a class or a cycle we do not read.
    const QJsonObject theirs = test::runTool({QStringLiteral("objects"), path});
    QCOMPARE(theirs[u"error"].toString(), QString());
    const QJsonArray objects = theirs[u"objects"].toArray();
    QCOMPARE(r.objectCount(), quint64(objects.size()));
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const std::optional<Value> v = r.decodeObject(quint64(i));
        const QJsonValue graph = objects[i][u"graph"];
        if (graph.isUndefined())
            // plistlib's side refuses what we carry as archived objects, and cycles.
            QVERIFY2(
                v ? QJsonDocument(QJsonArray{test::graphJson(*v)}).toJson().contains("\"archived\"")
                  : !r.error().isEmpty(),
                qPrintable(QString::number(i)));
        else
            QVERIFY2(v && test::graphJson(*v) == graph,
                     qPrintable(QStringLiteral("object %1: %2").arg(i).arg(r.error())));
    }
}

void TestKeyedArchive::otherLayoutsReadAndDamageRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QJsonObject>("row");
    REQUIRE_FIXTURES();
    // bplist_tool.py rewrites fixtures as the table asks: in layouts that Apple's reader accepts
    // but our writer never makes, or damaged.
    const QString table = test::testDataPath(QStringLiteral("archive/variants.json"));
    const QJsonObject built =
        test::runTool({QStringLiteral("build"), table, fixture(), m_scratch.path()});
    QCOMPARE(built[u"error"].toString(), QString());
    const QJsonArray rows = test::readJson(QStringLiteral("archive/variants.json")).toArray();
    QVERIFY(!rows.isEmpty());
    for (qsizetype i = 0; i < rows.size(); ++i)
        QTest::newRow(qPrintable(rows[i][u"name"].toString()))
            << m_scratch.filePath(QString::number(i)) << rows[i].toObject();
}

void TestKeyedArchive::otherLayoutsReadAndDamageRefused()
{
    QFETCH(QString, file);
    QFETCH(QJsonObject, row);
    const Result<Value> v = KeyedArchiveReader::rootObject(test::readFile(file));
    if (row.contains(u"refused")) {
        QVERIFY(!v);
        QVERIFY2(v.message().contains(row[u"refused"].toString()), qPrintable(v.message()));
        return;
    }
    QVERIFY2(v, qPrintable(v.message()));
    QJsonValue expected = row[u"graph"];
    if (row[u"same"].toBool()) {
        const QString source = fixture(row[u"source"].toString());
        const Result<Value> original = KeyedArchiveReader::rootObject(test::readFile(source));
        QVERIFY2(original, qPrintable(original.message()));
        expected = test::graphJson(*original);
    }
    QCOMPARE(test::graphJson(*v), expected);
}

void TestKeyedArchive::writtenArchivesReadTheSameEverywhere_data()
{
    QTest::addColumn<Value>("graph");
    QTest::addColumn<QString>("refusal"); // empty: written, and read back the same
    QTest::newRow("every class, shared containers")
        << test::graphValue(test::readJson(QStringLiteral("archive/every_value.json")))
        << QString();
    QTest::newRow("string root") << Value::string(QStringLiteral("\U0001F600")) << QString();
    // Enough objects for 2-byte, then 4-byte references and UIDs.
    QTest::newRow("1,000 records") << records(1000) << QString();
    QTest::newRow("30,000 records") << records(30000) << QString();
    QTest::newRow("as deep as read") << nested(KeyedArchiveReader::kMaxDepth) << QString();
    const ArrayPtr self = Array::make();
    self->items.push_back(Value::array(self));
    const ArrayPtr outer = Array::make({Value::string(QStringLiteral("a"))});
    const DictPtr inner = Dict::make();
    inner->set(QStringLiteral("outer"), Value::array(outer));
    outer->items.push_back(Value::dict(inner));
    QTest::newRow("array that holds itself") << Value::array(self) << "contains itself";
    QTest::newRow("cycle through a dictionary") << Value::array(outer) << "contains itself";
    QTest::newRow("one level deeper than read")
        << nested(KeyedArchiveReader::kMaxDepth + 1) << "deeper than";
}

void TestKeyedArchive::writtenArchivesReadTheSameEverywhere()
{
    QFETCH(Value, graph);
    QFETCH(QString, refusal);
    const Result<QByteArray> bytes = KeyedArchiveWriter::archivedData(graph);
    QBuffer streamed;
    QVERIFY(streamed.open(QIODevice::WriteOnly));
    const Result<> written = KeyedArchiveWriter::writeArchive(graph, &streamed);
    if (!refusal.isEmpty()) {
        graph.toArray()->items.clear(); // breaks the cycle, so that it is freed
        QVERIFY(!bytes && !written);
        QVERIFY2(bytes.message().contains(refusal), qPrintable(bytes.message()));
        QCOMPARE(written.message(), bytes.message());
        QVERIFY(streamed.data().isEmpty());
        return;
    }
    QVERIFY2(bytes && written, qPrintable(bytes.message() + written.message()));
    QVERIFY(streamed.data() == *bytes);

    // Our reader gives back the same values, classes and sharing.
    const Result<Value> back = KeyedArchiveReader::rootObject(*bytes);
    QVERIFY2(back, qPrintable(back.message()));
    QCOMPARE(test::graphJson(*back), test::graphJson(graph));

    // So do plistlib and libplist, from a file laid out as Apple's archiver lays it out (where
    // Python's recursion reaches).
    if (QByteArrayView(QTest::currentDataTag()) == "as deep as read")
        return;
    const QString file = m_scratch.writeFile(QStringLiteral("written.plist"), *bytes);
    const QJsonObject theirs = test::runTool({QStringLiteral("check"), file});
    QCOMPARE(theirs[u"error"].toString(), QString());
    QCOMPARE(theirs[u"lint"], QJsonValue(QJsonArray()));
    QCOMPARE(theirs[u"plistutil"].toString(), QStringLiteral("ok"));
    QCOMPARE(theirs[u"graph"], test::graphJson(graph));
}

void TestKeyedArchive::randomDamageFailsWithAMessage()
{
    // Reads the archive and every object in it: each read gives a value or says why not.
    const auto readAll = [&](const QByteArray& bytes) {
        KeyedArchiveReader r;
        bool silent = false;
        if (!r.open(bytes) || !r.decodeTop())
            silent = r.error().isEmpty();
        for (quint64 i = 0; i < r.objectCount(); ++i)
            silent = silent || (!r.decodeObject(i) && r.error().isEmpty());
        return !silent;
    };
    const QByteArray ours = *KeyedArchiveWriter::archivedData(
        test::graphValue(test::readJson(QStringLiteral("archive/every_value.json"))));
    // Every truncation breaks the trailer's exact length.
    for (qsizetype n = 0; n < ours.size(); ++n)
        QVERIFY2(!KeyedArchiveReader::rootObject(ours.left(n)).message().isEmpty(),
                 qPrintable(QString::number(n)));

    // Ours and Apple's layouts (2-byte references, 16-byte integers, 4-byte offsets...), a few
    // bytes changed at random: a changed letter may leave a readable file, but never a silent
    // failure.
    QList<QByteArray> archives{ours};
    if (fixturesPresent()) {
        for (const QString& file : fixtureTable().keys())
            archives.append(test::readFile(fixture(file)));
    } else {
        QVERIFY2(qEnvironmentVariable("CI") != QLatin1String("true"),
                 qPrintable(missingFixtures()));
        qInfo("%s: only our own archive is damaged", qPrintable(missingFixtures()));
    }
    QRandomGenerator random(20240607);
    for (const QByteArray& good : archives) {
        for (int round = 0; round < 200; ++round) {
            QByteArray bad = good;
            for (int k = random.bounded(1, 5); k > 0; --k)
                bad[random.bounded(int(bad.size()))] = char(random.bounded(256));
            QVERIFY2(readAll(bad), qPrintable(QString::fromLatin1(bad.toHex())));
        }
    }
}

QTEST_APPLESS_MAIN(TestKeyedArchive)
#include "tst_keyedarchive.moc"
