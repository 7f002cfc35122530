#include "codectestsupport.h"

#include "core/array.h"
#include "core/dict.h"
#include "core/document.h"
#include "archive/documentcodec.h"
#include "archive/keyedarchivereader.h"
#include "archive/keyedarchivewriter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <csignal>
#include <limits>

using namespace quillory;
using namespace quillory::codectest;

#define REQUIRE_PYTHON()                                                                           \
    if (!havePython())                                                                             \
    QSKIP("python3 is not installed")

namespace {

QString u8(const char* s)
{
    return QString::fromUtf8(s);
}

Value text(const char* s, bool isMutable = false)
{
    return Value::string(u8(s), isMutable);
}

DictPtr dictOf(std::initializer_list<std::pair<QString, Value>> entries, bool isMutable = true)
{
    DictPtr d = Dict::make(isMutable);
    for (const auto& e : entries)
        d->entries.push_back(e);
    return d;
}

// A document using every part of the file format.
void populate(Document& doc)
{
    doc.prepareOpened();
    const QString name = doc.insertField();
    const QString city = doc.insertField();
    doc.insertField();
    doc.renameKey(2, u8("Name \xE2\x9C\x93 \xF0\x9F\x98\x80"));

    const qint64 counters[] = {qint64(1) << 40, -5, std::numeric_limits<qint64>::max(), 0};
    for (int i = 0; i < 4; ++i)
        doc.dataArray().push_back(doc.newRecord());
    for (int i = 0; i < 4; ++i) {
        const Record& r = doc.dataArray()[size_t(i)];
        r->set(kCounterKey, Value::integer(counters[i]));
        r->set(kCheckedKey, Value::boolean(i % 2 == 0));
        r->set(name, Value::string(u8("Zo\xC3\xAB \xF0\x9F\x8E\x89 #") + QString::number(i)));
        r->set(city, Value::string(i == 3 ? QString() : QStringLiteral("Lyon")));
    }
    // Entries another release wrote into a record stay as they were.
    doc.dataArray()[1]->set(QStringLiteral("99"), Value::data(QByteArray("\x00\x01", 2)));
    doc.dataArray()[1]->set(QStringLiteral("note"), text("later \xE2\x80\x99", true));

    auto folder = std::make_shared<Prototype>();
    folder->uuid = QUuid::createUuid();
    folder->path = u8("<Name \xE2\x9C\x93 \xF0\x9F\x98\x80>/dossier");
    folder->isFolder = true;
    folder->isMulti = true;
    auto file = std::make_shared<Prototype>();
    file->uuid = QUuid::fromString(QStringLiteral("71DC068E-3420-45FF-919E-3A267D55EC22"));
    file->path = QStringLiteral("all.txt");
    file->head = u8("Head \xC2\xB0\n");
    file->text = QStringLiteral("<#> <KEY2>");
    file->separator = QStringLiteral("\n---\n");
    file->foot = QStringLiteral("end");
    file->extras = {{QStringLiteral("color"), text("blue")},
                    {QStringLiteral("layout"),
                     Value::dict(dictOf({{QStringLiteral("width"), Value::real(12.5)}}))}};
    auto bare = std::make_shared<Prototype>(); // as read from a file that gave it no UUID
    bare->path = QStringLiteral("x");
    doc.universalFilePrototypeArray() = {folder, file, bare};

    doc.setSelectedDestinationDefined(true);
    doc.setSelectedDestinationBookmark(QByteArray("book\x00mark\xff", 10));
    doc.setMainTabId(QStringLiteral("merge"));
    doc.setSecTabId(QStringLiteral("multi"));
    doc.unknownEntries() = {
        {QStringLiteral("futureSetting"), Value::integer(7)},
        {QStringLiteral("futureList"), Value::array(Array::make({text("a"), text("b")}))}};
}

// What a reader of the document sees, in one comparable block.
QByteArray snapshot(const Document& doc)
{
    return DocumentCodec::dataOfType(doc);
}

QByteArray archiveOf(const Value& root)
{
    return KeyedArchiveWriter::archivedData(root).value_or(QByteArray());
}

QJsonValue entryOf(const QJsonValue& dictJson, const QString& key)
{
    for (const QJsonValue& e : dictJson[QStringLiteral("entries")].toArray())
        if (e.toArray().at(0).toString() == key)
            return e.toArray().at(1);
    return QJsonValue::Undefined;
}

QJsonObject tag(const char* kind, const QJsonValue& v)
{
    return QJsonObject{{QLatin1String(kind), v}};
}

// Keeps the file-size limit for the length of a scope: writes past it fail with EFBIG.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace

class TestDocumentCodec : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void newDocumentSavesItsDefaults();
    void roundTripKeepsEveryPart();
    void savedFileHoldsTheClassesAppleExpects();
    void recordsKeepTheirIdentity();
    void appVersionDecidesWhetherAFileOpens_data();
    void appVersionDecidesWhetherAFileOpens();
    void wrongTypesAreRefusedLeavingTheDocument_data();
    void wrongTypesAreRefusedLeavingTheDocument();
    void missingEntriesReadAsEmpty();
    void foreignEntriesSurviveASave();
    void damagedFilesLeaveTheDocumentUntouched();
    void savingAndOpeningFiles();
    void failedSaveKeepsTheExistingFile_data();
    void failedSaveKeepsTheExistingFile();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString path(const QString& name) const { return m_tmp->filePath(name); }
};

void TestDocumentCodec::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

void TestDocumentCodec::newDocumentSavesItsDefaults()
{
    Document doc;
    doc.prepareOpened();
    const QByteArray bytes = DocumentCodec::dataOfType(doc);
    const auto root = KeyedArchiveReader::rootObject(bytes);
    QVERIFY(root);
    const DictPtr d = root->toDict();
    QVERIFY(d && d->isMutable);

    QStringList keys;
    for (const auto& e : d->entries)
        keys << e.first;
    QCOMPARE(keys, (QStringList{"appversion", "keyArray", "dataArray", "selectedDestinationDefined",
                                "universalFilePrototypeArray", "mainTabId", "secTabId"}));
    QCOMPARE(d->value(u"appversion"), Value::integer(10000));
    const ArrayPtr keyArray = d->value(u"keyArray").toArray();
    QVERIFY(keyArray && keyArray->isMutable);
    QCOMPARE(keyArray->items.size(), size_t(2));
    QCOMPARE(*keyArray->items[0].toDict(), *dictOf({{QStringLiteral("innerKey"), text("1")},
                                                    {QStringLiteral("publicKey"), text("#")}}));
    QCOMPARE(*keyArray->items[1].toDict(), *dictOf({{QStringLiteral("innerKey"), text("2")},
                                                    {QStringLiteral("publicKey"), text("sel")}}));
    QVERIFY(d->value(u"dataArray").toArray()->items.empty());
    QVERIFY(d->value(u"universalFilePrototypeArray").toArray()->items.empty());
    QCOMPARE(d->value(u"selectedDestinationDefined"), Value::boolean(false));
    QCOMPARE(d->value(u"mainTabId"), text("db"));
    QCOMPARE(d->value(u"secTabId"), text("one"));
    // appversion is a plain two-byte integer, as Apple's archiver writes 10000.
    QVERIFY(bytes.contains(QByteArray::fromHex("112710")));
}

void TestDocumentCodec::roundTripKeepsEveryPart()
{
    Document doc;
    populate(doc);
    const QByteArray bytes = DocumentCodec::dataOfType(doc);

    Document back;
    const auto result = DocumentCodec::readFromData(back, bytes);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(!result.alert);

    QCOMPARE(back.keyArray(), doc.keyArray());
    QCOMPARE(back.dataArray().size(), doc.dataArray().size());
    for (size_t i = 0; i < doc.dataArray().size(); ++i) {
        const Record& r = back.dataArray()[i];
        QVERIFY(*r == *doc.dataArray()[i]);
        QCOMPARE(r->value(kCounterKey).type(), Value::Type::Integer);
        QCOMPARE(r->value(kCheckedKey).type(), Value::Type::Bool);
        QCOMPARE(r->entries.size(), doc.dataArray()[i]->entries.size());
        QVERIFY(r->isMutable);
    }
    QCOMPARE(back.dataArray()[2]->value(kCounterKey).toInteger(),
             std::numeric_limits<qint64>::max());
    QCOMPARE(back.dataArray()[1]->value(kCounterKey).toInteger(), -5);
    QVERIFY(back.dataArray()[1]->value(u"note").isMutable());

    QCOMPARE(back.universalFilePrototypeArray().size(), size_t(3));
    for (size_t i = 0; i < 3; ++i) {
        const Prototype& a = *back.universalFilePrototypeArray()[i];
        const Prototype& b = *doc.universalFilePrototypeArray()[i];
        QCOMPARE(a.uuid, b.uuid);
        QCOMPARE(a.path, b.path);
        QCOMPARE(a.isFolder, b.isFolder);
        QCOMPARE(a.isMulti, b.isMulti);
        QCOMPARE(a.head, b.head);
        QCOMPARE(a.text, b.text);
        QCOMPARE(a.separator, b.separator);
        QCOMPARE(a.foot, b.foot);
        QVERIFY(a.extras == b.extras);
    }
    QVERIFY(back.universalFilePrototypeArray()[2]->uuid.isNull());
    QCOMPARE(back.selectedDestinationDefined(), true);
    QCOMPARE(back.selectedDestinationBookmark(), doc.selectedDestinationBookmark());
    QCOMPARE(back.mainTabId(), QStringLiteral("merge"));
    QCOMPARE(back.secTabId(), QStringLiteral("multi"));
    QVERIFY(back.unknownEntries() == doc.unknownEntries());

    // Saving what was read gives the same bytes again.
    QCOMPARE(DocumentCodec::dataOfType(back), bytes);
}

void TestDocumentCodec::savedFileHoldsTheClassesAppleExpects()
{
    REQUIRE_PYTHON();
    Document doc;
    populate(doc);
    const QString file = path(QStringLiteral("doc.quillory"));
    QVERIFY(writeFile(file, DocumentCodec::dataOfType(doc)));
    QString error;
    const auto report = independentCheck(file, &error);
    QVERIFY2(report, qPrintable(error));
    QVERIFY2(report->value(QStringLiteral("lint")).toArray().isEmpty(),
             QJsonDocument(report->value(QStringLiteral("lint")).toArray()).toJson());
    QVERIFY(report->value(QStringLiteral("plistutil")).toString() != QStringLiteral("missing")
                ? report->value(QStringLiteral("plistutil")).toString() == QStringLiteral("ok")
                : true);

    const QJsonValue root = report->value(QStringLiteral("graph"));
    QCOMPARE(root[QStringLiteral("class")].toString(), QStringLiteral("NSMutableDictionary"));
    QCOMPARE(report->value(QStringLiteral("rootKeys")).toArray(),
             (QJsonArray{"appversion", "keyArray", "dataArray", "selectedDestinationDefined",
                         "selectedDestinationBookmark", "universalFilePrototypeArray", "mainTabId",
                         "secTabId", "futureSetting", "futureList"}));
    QCOMPARE(entryOf(root, QStringLiteral("appversion")), tag("int", QStringLiteral("10000")));
    QCOMPARE(entryOf(root, QStringLiteral("selectedDestinationDefined")), tag("bool", true));
    QCOMPARE(entryOf(root, QStringLiteral("selectedDestinationBookmark")),
             tag("data", QStringLiteral("626f6f6b006d61726bff")));

    const QJsonValue keys = entryOf(root, QStringLiteral("keyArray"));
    QCOMPARE(keys[QStringLiteral("class")].toString(), QStringLiteral("NSMutableArray"));
    const QJsonValue key2 = keys[QStringLiteral("items")].toArray().at(2);
    QCOMPARE(key2[QStringLiteral("class")].toString(), QStringLiteral("NSMutableDictionary"));
    QCOMPARE(entryOf(key2, QStringLiteral("publicKey")),
             tag("str", u8("Name \xE2\x9C\x93 \xF0\x9F\x98\x80")));

    const QJsonArray records =
        entryOf(root, QStringLiteral("dataArray"))[QStringLiteral("items")].toArray();
    QCOMPARE(records.size(), 4);
    QCOMPARE(records.at(0)[QStringLiteral("class")].toString(),
             QStringLiteral("NSMutableDictionary"));
    QCOMPARE(entryOf(records.at(0), QStringLiteral("1")),
             tag("int", QStringLiteral("1099511627776")));
    QCOMPARE(entryOf(records.at(1), QStringLiteral("1")), tag("int", QStringLiteral("-5")));
    QCOMPARE(entryOf(records.at(0), QStringLiteral("2")), tag("bool", true));
    QCOMPARE(entryOf(records.at(1), QStringLiteral("2")), tag("bool", false));
    QCOMPARE(entryOf(records.at(1), QStringLiteral("99")), tag("data", QStringLiteral("0001")));

    const QJsonArray prototypes =
        entryOf(root, QStringLiteral("universalFilePrototypeArray"))[QStringLiteral("items")]
            .toArray();
    const QJsonValue p = prototypes.at(1);
    QCOMPARE(p[QStringLiteral("class")].toString(), QStringLiteral("NSMutableDictionary"));
    QCOMPARE(entryOf(p, QStringLiteral("uuid")),
             tag("uuid", QStringLiteral("71dc068e-3420-45ff-919e-3a267d55ec22")));
    QCOMPARE(entryOf(p, QStringLiteral("path")), tag("str", QStringLiteral("all.txt")));
    QCOMPARE(entryOf(p, QStringLiteral("isFolder")), tag("bool", false));
    QCOMPARE(entryOf(p, QStringLiteral("isMulti")), tag("bool", false));
    QCOMPARE(entryOf(p, QStringLiteral("head")), tag("mstr", u8("Head \xC2\xB0\n")));
    QCOMPARE(entryOf(p, QStringLiteral("foot")), tag("mstr", QStringLiteral("end")));
    QCOMPARE(entryOf(p, QStringLiteral("color")), tag("str", QStringLiteral("blue")));
    QVERIFY(entryOf(prototypes.at(2), QStringLiteral("uuid")).isUndefined());
}

void TestDocumentCodec::recordsKeepTheirIdentity()
{
    Document doc;
    doc.prepareOpened();
    const QString field = doc.insertField();
    for (int i = 0; i < 3; ++i) {
        Record r = doc.newRecord();
        r->set(field, Value::string(QString::number(i)));
        doc.dataArray().push_back(r); // held by the list alone
    }
    // One record listed twice, one also held by the selection: each stays one record.
    doc.dataArray().push_back(doc.dataArray()[0]);
    doc.setSelectedRecord(doc.dataArray()[1]);
    doc.dataArray().push_back(doc.dataArray()[1]);

    Document back;
    const auto result = DocumentCodec::readFromData(back, DocumentCodec::dataOfType(doc));
    QVERIFY2(result.ok, qPrintable(result.error));
    const auto& records = back.dataArray();
    QCOMPARE(records.size(), size_t(5));
    QCOMPARE(records[3], records[0]);
    QCOMPARE(records[4], records[1]);
    QVERIFY(records[0] != records[1] && records[1] != records[2] && records[0] != records[2]);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(records[size_t(i)]->value(field).toString(), QString::number(i));
}

void TestDocumentCodec::appVersionDecidesWhetherAFileOpens_data()
{
    QTest::addColumn<QString>("version"); // "missing", a number, or "text"
    QTest::addColumn<bool>("sixteenBytes");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("newer");
    QTest::newRow("10000") << QStringLiteral("10000") << false << true << false;
    QTest::newRow("10001") << QStringLiteral("10001") << false << false << true;
    QTest::newRow("missing reads as 0") << QStringLiteral("missing") << false << true << false;
    QTest::newRow("0") << QStringLiteral("0") << false << true << false;
    QTest::newRow("10000 in 16 bytes") << QStringLiteral("10000") << true << true << false;
    QTest::newRow("10001 in 16 bytes") << QStringLiteral("10001") << true << false << true;
    QTest::newRow("2^40") << QStringLiteral("1099511627776") << false << false << true;
    // Read as unsigned, a negative version is huge.
    QTest::newRow("-1") << QStringLiteral("-1") << false << false << true;
    QTest::newRow("text") << QStringLiteral("text") << false << false << false;
}

void TestDocumentCodec::appVersionDecidesWhetherAFileOpens()
{
    QFETCH(QString, version);
    QFETCH(bool, sixteenBytes);
    QFETCH(bool, opens);
    QFETCH(bool, newer);

    DictPtr root =
        dictOf({{QStringLiteral("keyArray"), Value::array(Array::make({Value::dict(dictOf(
                                                 {{QStringLiteral("innerKey"), text("1")},
                                                  {QStringLiteral("publicKey"), text("#")}}))}))},
                {QStringLiteral("mainTabId"), text("run")}});
    if (version == QStringLiteral("text"))
        root->set(QStringLiteral("appversion"), text("10000"));
    else if (version != QStringLiteral("missing"))
        root->set(QStringLiteral("appversion"), Value::integer(version.toLongLong()));
    QByteArray bytes = archiveOf(Value::dict(root));
    if (sixteenBytes) {
        if (!havePython())
            QSKIP("python3 is not installed");
        const QString in = path(QStringLiteral("in.plist")),
                      out = path(QStringLiteral("out.plist"));
        QVERIFY(writeFile(in, bytes));
        QString error;
        QVERIFY2(independentRewrite(in, out, {QStringLiteral("--int16"), version}, &error),
                 qPrintable(error));
        bytes = readFile(out);
        QVERIFY(bytes.contains(QByteArray::fromHex("14000000000000000000000000000027")));
    }

    Document doc;
    doc.prepareOpened();
    doc.setMainTabId(QStringLiteral("file"));
    const QByteArray before = snapshot(doc);
    const auto result = DocumentCodec::readFromData(doc, bytes);
    QCOMPARE(result.ok, opens);
    QCOMPARE(bool(result.alert), newer);
    if (newer) {
        QCOMPARE(result.alert->messageText, Alert::newerDocument().messageText);
        QCOMPARE(result.alert->buttons, Alert::newerDocument().buttons);
        QVERIFY(result.alert->modal);
    }
    if (opens) {
        QCOMPARE(doc.mainTabId(), QStringLiteral("run"));
        QCOMPARE(doc.keyArray().size(), size_t(1));
    } else {
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(snapshot(doc), before);
    }
}

void TestDocumentCodec::wrongTypesAreRefusedLeavingTheDocument_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason");

    auto withRoot = [](const QString& key, const Value& v) {
        DictPtr root = dictOf({{QStringLiteral("appversion"), Value::integer(10000)},
                               {QStringLiteral("mainTabId"), text("run")}});
        root->set(key, v);
        return archiveOf(Value::dict(root));
    };
    auto listOf = [](std::vector<Value> items) { return Value::array(Array::make(items)); };
    const Value record = Value::dict(dictOf({{QStringLiteral("1"), Value::integer(1)}}));

    QTest::newRow("keyArray is text") << withRoot(QStringLiteral("keyArray"), text("keys"))
                                      << QStringLiteral("keyArray is not a list");
    QTest::newRow("dataArray is a dictionary") << withRoot(QStringLiteral("dataArray"), record)
                                               << QStringLiteral("dataArray is not a list");
    QTest::newRow("universalFilePrototypeArray is a number")
        << withRoot(QStringLiteral("universalFilePrototypeArray"), Value::integer(3))
        << QStringLiteral("universalFilePrototypeArray is not a list");
    QTest::newRow("a field key is text")
        << withRoot(QStringLiteral("keyArray"), listOf({text("#")}))
        << QStringLiteral("keyArray is not a dictionary");
    QTest::newRow("a record is text")
        << withRoot(QStringLiteral("dataArray"), listOf({record, text("x")}))
        << QStringLiteral("record of dataArray is not a dictionary");
    QTest::newRow("a record is nil") << withRoot(QStringLiteral("dataArray"), listOf({Value()}))
                                     << QStringLiteral("record of dataArray is not a dictionary");
    QTest::newRow("a Prototype is a list")
        << withRoot(QStringLiteral("universalFilePrototypeArray"), listOf({listOf({})}))
        << QStringLiteral("Prototype of universalFilePrototypeArray is not a dictionary");
    QTest::newRow("root is a list")
        << archiveOf(listOf({record})) << QStringLiteral("root object is not a dictionary");
    QTest::newRow("root is nil") << archiveOf(Value())
                                 << QStringLiteral("root object is not a dictionary");
    QTest::newRow("not an archive")
        << QByteArray("quillory document, honest") << QStringLiteral("not a binary property list");
    const QByteArray good = withRoot(QStringLiteral("secTabId"), text("multi"));
    QTest::newRow("truncated") << good.left(good.size() - 1) << QStringLiteral("trailer");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("not a binary property list");
}

void TestDocumentCodec::wrongTypesAreRefusedLeavingTheDocument()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    Document doc;
    populate(doc);
    const QByteArray before = snapshot(doc);
    const auto result = DocumentCodec::readFromData(doc, file);
    QVERIFY(!result.ok);
    QVERIFY(!result.alert);
    QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    QCOMPARE(snapshot(doc), before);
    QCOMPARE(doc.mainTabId(), QStringLiteral("merge"));
}

void TestDocumentCodec::missingEntriesReadAsEmpty()
{
    Document doc;
    populate(doc);
    const DictPtr prototype = dictOf({{QStringLiteral("path"), text("only/path")}});
    const auto result = DocumentCodec::readFromData(
        doc,
        archiveOf(Value::dict(dictOf({{QStringLiteral("universalFilePrototypeArray"),
                                       Value::array(Array::make({Value::dict(prototype)}))}}))));
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(doc.keyArray().empty());
    QVERIFY(doc.dataArray().empty());
    QVERIFY(!doc.selectedDestinationDefined());
    QVERIFY(!doc.selectedDestinationBookmark());
    QVERIFY(doc.mainTabId().isEmpty());
    QVERIFY(doc.secTabId().isEmpty());
    QVERIFY(doc.unknownEntries().empty());
    QCOMPARE(doc.universalFilePrototypeArray().size(), size_t(1));
    const Prototype& p = *doc.universalFilePrototypeArray()[0];
    QVERIFY(p.uuid.isNull());
    QCOMPARE(p.path, QStringLiteral("only/path"));
    QVERIFY(!p.isFolder && !p.isMulti);
    QVERIFY(p.head.isEmpty() && p.text.isEmpty() && p.separator.isEmpty() && p.foot.isEmpty());
    QVERIFY(p.extras.empty());
}

void TestDocumentCodec::foreignEntriesSurviveASave()
{
    // A file from another release: an immutable record with an entry we do not know, a
    // Prototype with extra entries, a data bookmark stored as NSMutableData, an extra root key.
    const DictPtr record = dictOf({{QStringLiteral("1"), Value::integer(4)},
                                   {QStringLiteral("2"), Value::boolean(true)},
                                   {QStringLiteral("3"), text("x")},
                                   {QStringLiteral("extra"), Value::date({1.5})}},
                                  false);
    const DictPtr prototype =
        dictOf({{QStringLiteral("uuid"), Value::uuid(QUuid::createUuid())},
                {QStringLiteral("path"), text("p")},
                {QStringLiteral("isMulti"), Value::boolean(true)},
                {QStringLiteral("text"), text("t", true)},
                {QStringLiteral("permissions"), Value::integer(0644)},
                {QStringLiteral("tags"), Value::array(Array::make({text("a")}, false))}});
    const DictPtr root = dictOf({
        {QStringLiteral("appversion"), Value::unsignedInteger(9000)},
        {QStringLiteral("dataArray"), Value::array(Array::make({Value::dict(record)}))},
        {QStringLiteral("universalFilePrototypeArray"),
         Value::array(Array::make({Value::dict(prototype)}, false))},
        {QStringLiteral("selectedDestinationBookmark"), Value::data("bm", true)},
        {QStringLiteral("windowFrame"), text("{{0, 0}, {800, 600}}")},
    });

    Document doc;
    QVERIFY(DocumentCodec::readFromData(doc, archiveOf(Value::dict(root))).ok);
    QCOMPARE(doc.selectedDestinationBookmark(), std::optional<QByteArray>("bm"));
    QCOMPARE(doc.universalFilePrototypeArray()[0]->extras.size(), size_t(2));

    Document again;
    QVERIFY(DocumentCodec::readFromData(again, DocumentCodec::dataOfType(doc)).ok);
    const Record& r = again.dataArray().at(0);
    QVERIFY(r->isMutable); // the application edits records, so they are saved mutable
    QCOMPARE(r->value(u"extra"), Value::date({1.5}));
    QCOMPARE(r->entries.size(), size_t(4));
    const Prototype& p = *again.universalFilePrototypeArray().at(0);
    QCOMPARE(p.uuid, prototype->value(u"uuid").toUuid());
    QVERIFY(p.isMulti);
    QCOMPARE(p.text, QStringLiteral("t"));
    QCOMPARE(p.extras.size(), size_t(2));
    QCOMPARE(p.extras[0].first, QStringLiteral("permissions"));
    QCOMPARE(p.extras[0].second, Value::integer(0644));
    QCOMPARE(p.extras[1].second.toArray()->items, std::vector<Value>{text("a")});
    QVERIFY(!p.extras[1].second.toArray()->isMutable);
    QCOMPARE(again.unknownEntries().size(), size_t(1));
    QCOMPARE(again.unknownEntries()[0].first, QStringLiteral("windowFrame"));
}

void TestDocumentCodec::damagedFilesLeaveTheDocumentUntouched()
{
    Document source;
    populate(source);
    const QByteArray good = DocumentCodec::dataOfType(source);

    Document doc;
    doc.prepareOpened();
    doc.insertField();
    doc.addRecord();
    const QByteArray before = snapshot(doc);
    auto attempt = [&](const QByteArray& bad) {
        const auto result = DocumentCodec::readFromData(doc, bad);
        if (result.ok) {
            // The damage hit a value (a letter of a text, say): still a document. Start over.
            QVERIFY(DocumentCodec::readFromData(doc, before).ok);
            return;
        }
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(snapshot(doc), before);
    };
    for (qsizetype n = 0; n < good.size(); n += 3) {
        attempt(good.left(n));
        if (QTest::currentTestFailed())
            return;
    }
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(~uchar(bad[i]));
        attempt(bad);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestDocumentCodec::savingAndOpeningFiles()
{
    Document doc;
    populate(doc);
    const QString file = path(QStringLiteral("project.quillory"));
    const auto written = DocumentCodec::writeToFile(doc, file);
    QVERIFY2(written.ok, qPrintable(written.error));
    QCOMPARE(readFile(file), DocumentCodec::dataOfType(doc));

    Document back;
    const auto read = DocumentCodec::readFromFile(back, file);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(snapshot(back), snapshot(doc));

    Document untouched;
    untouched.prepareOpened();
    const QByteArray before = snapshot(untouched);
    const auto missing = DocumentCodec::readFromFile(untouched, path(QStringLiteral("nope")));
    QVERIFY(!missing.ok);
    QVERIFY(!missing.error.isEmpty());
    QCOMPARE(snapshot(untouched), before);

    const auto noFolder =
        DocumentCodec::writeToFile(doc, path(QStringLiteral("no/such/folder/x.quillory")));
    QVERIFY(!noFolder.ok);
    QVERIFY(!noFolder.error.isEmpty());
}

void TestDocumentCodec::failedSaveKeepsTheExistingFile_data()
{
    QTest::addColumn<int>("records");
    // A file smaller than the write buffers (Qt's own is 16 KiB), and one written in chunks.
    QTest::newRow("small") << 40;
    QTest::newRow("several chunks") << 60000;
}

void TestDocumentCodec::failedSaveKeepsTheExistingFile()
{
    QFETCH(int, records);
    const QString file = path(QStringLiteral("kept.quillory"));
    Document small;
    small.prepareOpened();
    QVERIFY(DocumentCodec::writeToFile(small, file).ok);
    const QByteArray original = readFile(file);

    // The disk "fills up" while the larger document is written.
    Document large;
    populate(large);
    for (int i = 0; i < records; ++i)
        large.dataArray().push_back(dictOf({{kCounterKey, Value::integer(i)},
                                            {kCheckedKey, Value::boolean(false)},
                                            {QStringLiteral("3"), text("some text")}}));
    const qsizetype size = DocumentCodec::dataOfType(large).size();
    QVERIFY(size > 4 * original.size());
    QVERIFY(records > 1000 || size < 16384);
    {
        FileSizeLimit limit(rlim_t(records > 1000 ? size / 2 : original.size() * 2));
        QVERIFY(limit.ok());
        const auto result = DocumentCodec::writeToFile(large, file);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
    }
    QCOMPARE(readFile(file), original);
    QCOMPARE(QDir(m_tmp->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("kept.quillory")});

    // A document whose values cannot be archived fails before the file is touched.
    const ArrayPtr loop = Array::make({});
    loop->items.push_back(Value::array(loop));
    large.dataArray()[0]->set(QStringLiteral("loop"), Value::array(loop));
    const auto result = DocumentCodec::writeToFile(large, file);
    loop->items.clear();
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QStringLiteral("contains itself")), qPrintable(result.error));
    QCOMPARE(readFile(file), original);
}

QTEST_GUILESS_MAIN(TestDocumentCodec)
#include "tst_documentcodec.moc"
