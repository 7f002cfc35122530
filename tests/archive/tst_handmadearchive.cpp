// Archives made by hand, in shapes our writer never makes: entries and classes other releases
// write, which are carried through a save, and the sharing and sizes an attacker would use.
#include "archivecheck.h"
#include "rawarchive.h"

#include "archive/documentcodec.h"
#include "archive/keyedarchivereader.h"
#include "core/array.h"
#include "core/dict.h"
#include "core/document.h"

#include <QJsonArray>
#include <QTest>

using namespace quillory;
using namespace quillory::test;

namespace {

// The root entries of a saved document, as read back.
DictPtr savedRoot(const Document& doc)
{
    const Result<Value> root = KeyedArchiveReader::rootObject(DocumentCodec::dataOfType(doc));
    return root ? root->toDict() : nullptr;
}

// The field key dictionaries of a saved document, as read back.
std::vector<DictPtr> savedKeys(const Document& doc)
{
    const ArrayPtr list = savedRoot(doc)->value(QStringLiteral("keyArray")).toArray();
    std::vector<DictPtr> keys;
    for (const Value& v : list->items)
        keys.push_back(v.toDict());
    return keys;
}

// Storage addresses of the payloads of a list of texts or data.
std::vector<const void*> payloadsOf(const Value& list)
{
    std::vector<const void*> found;
    for (const Value& v : list.toArray()->items)
        found.push_back(v.stringPtr() ? static_cast<const void*>(v.stringPtr()->constData())
                                      : static_cast<const void*>(v.dataPtr()->constData()));
    return found;
}

} // namespace

class TestHandmadeArchive : public QObject
{
    Q_OBJECT

private slots:
    void fieldKeysAreSavedWhole()
    {
        RawArchive a;
        const auto key = [&](Node inner, Node visible, Entries more = {}) {
            Entries e{{QStringLiteral("innerKey"), inner}, {QStringLiteral("publicKey"), visible}};
            e.insert(e.end(), more.begin(), more.end());
            return a.addDictionary(e, false);
        };
        const QByteArray file =
            a.document({key(a.add(plistString("1")), a.add(plistString("#"))),
                        key(a.add(plistString("2")), a.add(plistString("sel"))),
                        key(a.add(plistInt(3)), a.add(plistInt(42)),
                            {{QStringLiteral("color"), a.add(plistString("red"))}}),
                        key(a.add(plistString("4")), a.add(plistString("City")),
                            {{QStringLiteral("width"), a.add(plistInt(120))}})},
                       {});
        Document doc;
        const Result<> read = DocumentCodec::readFromData(doc, file);
        QVERIFY2(read, qPrintable(read.message()));

        // Numbers read as their decimal text: the inner key still finds the record's value.
        QCOMPARE(doc.keyArray()[2].publicKey, QStringLiteral("42"));
        QCOMPARE(doc.dataArray()[0]->value(doc.keyArray()[2].innerKey).toText(),
                 QStringLiteral("Ann"));

        // Saved as read: the numbers stay numbers, unknown entries stay.
        std::vector<DictPtr> saved = savedKeys(doc);
        QCOMPARE(saved.size(), size_t(4));
        QCOMPARE(saved[2]->value(QStringLiteral("innerKey")), Value::integer(3));
        QCOMPARE(saved[2]->value(QStringLiteral("publicKey")), Value::integer(42));
        QCOMPARE(saved[2]->value(QStringLiteral("color")), Value::string(QStringLiteral("red")));
        QCOMPARE(saved[3]->value(QStringLiteral("width")), Value::integer(120));

        // A renamed field saves its new name; the rest of its dictionary stays.
        doc.renameField(2, QStringLiteral("Nick"));
        saved = savedKeys(doc);
        QCOMPARE(saved[2]->value(QStringLiteral("publicKey")),
                 Value::string(QStringLiteral("Nick")));
        QCOMPARE(saved[2]->value(QStringLiteral("color")), Value::string(QStringLiteral("red")));
    }

    void objectsOfOtherClassesAreCarried()
    {
        RawArchive a;
        const Node null = a.addInstance(a.addClass({"NSNull", "NSObject"}), {});
        const Node set =
            a.addInstance(a.addClass({"NSSet", "NSObject"}),
                          {{QStringLiteral("NS.objects"),
                            plistArray({a.add(plistString("red")), null, a.add(plistInt(7))})}});
        const Node value =
            a.addInstance(a.addClass({"NSValue", "NSObject"}),
                          {{QStringLiteral("NS.special"), plistInt(1)},
                           {QStringLiteral("NS.rectval"), plistString("{{0, 0}, {1, 1}}")},
                           {QStringLiteral("NS.flag"), plistBool(true)},
                           {QStringLiteral("NS.blob"), plistData(QByteArray("\x00\x01", 2))}});
        const Node styled = a.addInstance(a.addClass({"NSAttributedString", "NSObject"}),
                                          {{QStringLiteral("NSString"), a.add(plistString("hi"))},
                                           {QStringLiteral("NSAttributes"), set}});
        const QByteArray file =
            a.document({}, {{QStringLiteral("futureSet"), set}, {QStringLiteral("frame"), value}},
                       {{QStringLiteral("nothing"), null}, {QStringLiteral("styled"), styled}});
        Document doc;
        const Result<> read = DocumentCodec::readFromData(doc, file);
        QVERIFY2(read, qPrintable(read.message()));

        // Saved, each reads back as it was in the file, the set shared by both its holders.
        const Result<Value> original = KeyedArchiveReader::rootObject(file);
        QVERIFY2(original, qPrintable(original.message()));
        const DictPtr saved = savedRoot(doc);
        QVERIFY(saved);
        const auto recordOf = [](const DictPtr& root) {
            return root->value(QStringLiteral("dataArray")).toArray()->items.front().toDict();
        };
        for (const QString& key : {QStringLiteral("futureSet"), QStringLiteral("frame")})
            QCOMPARE(graphJson(saved->value(key)), graphJson(original->toDict()->value(key)));
        QCOMPARE(graphJson(recordOf(saved)->value(QStringLiteral("nothing"))),
                 graphJson(recordOf(original->toDict())->value(QStringLiteral("nothing"))));
        const Value styledBack = recordOf(saved)->value(QStringLiteral("styled"));
        QCOMPARE(styledBack.toDict()->archived->className, QStringLiteral("NSAttributedString"));
        QCOMPARE(styledBack.toDict()->value(QStringLiteral("NSAttributes")).toDict(),
                 saved->value(QStringLiteral("futureSet")).toDict());
        QCOMPARE(graphJson(saved->value(QStringLiteral("frame")))[u"inline"].toArray().size(), 4);
    }

    // Rows: a record listing count references to one object of size bytes (data, or text when
    // asText). Without sharing the first takes 1 GB to open.
    void sharedObjectsOpenAndSaveOnce_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("asText");
        QTest::newRow("32,768 x 32 KiB data") << 32768 << (32 << 10) << false;
        QTest::newRow("32,768 x 16 K characters") << 32768 << (16 << 10) << true;
        QTest::newRow("shortest shared text")
            << 1000 << int(KeyedArchiveReader::kSharedPayload) << true;
    }
    void sharedObjectsOpenAndSaveOnce()
    {
        QFETCH(int, count);
        QFETCH(int, size);
        QFETCH(bool, asText);
        RawArchive a;
        const Node shared = asText ? a.add(plistString(QString(size, u'x')))
                                   : a.add(plistData(QByteArray(size, 'x')));
        const QByteArray file = a.document(
            {}, {}, {{QStringLiteral("5"), a.addArray(std::vector<Node>(size_t(count), shared))}});
        Document doc;
        const Result<> read = DocumentCodec::readFromData(doc, file);
        QVERIFY2(read, qPrintable(read.message()));
        const Value list = doc.dataArray().front()->value(QStringLiteral("5"));
        QCOMPARE(list.toArray()->items.size(), size_t(count));
        const std::vector<const void*> payloads = payloadsOf(list);
        QCOMPARE(std::count(payloads.begin(), payloads.end(), payloads.front()), qsizetype(count));

        // The save writes the shared value once: about as large as the file read.
        const QByteArray saved = DocumentCodec::dataOfType(doc);
        QVERIFY2(saved.size() < 2 * file.size() + 4096,
                 qPrintable(
                     QStringLiteral("%1 bytes saved from %2").arg(saved.size()).arg(file.size())));
        Document again;
        QVERIFY(DocumentCodec::readFromData(again, saved));
        const Value back = again.dataArray().front()->value(QStringLiteral("5"));
        QCOMPARE(back, list);
        const std::vector<const void*> backPayloads = payloadsOf(back);
        QCOMPARE(std::count(backPayloads.begin(), backPayloads.end(), backPayloads.front()),
                 qsizetype(count));

        // Equal texts that share nothing stay separate objects, as they always were written.
        MutableRecord record = doc.dataArray().front()->copy();
        const ArrayPtr distinct = Array::make();
        for (int i = 0; i < 3; ++i)
            distinct->items.push_back(Value::string(QString(40, u'y')));
        record->set(QStringLiteral("5"), Value::array(distinct));
        DocumentContents c;
        c.records.push_back(record);
        doc.setContents(std::move(c));
        QCOMPARE(DocumentCodec::dataOfType(doc).count(QByteArray(40, 'y')), qsizetype(3));
    }

    // Rows: distinct 64 KiB data objects, or records of 1,000 characters read as a document's
    // list (on several threads, whose copies count too); or one object listed many times. 1 MiB
    // of budget holds 8 data objects, not 40 nor 5,000 records. A reference to an object read
    // before is no copy, but the list's own entry for it counts: 20,000 data or 5,000 record
    // entries fit, 50,000 or 20,000 do not.
    void decodingPastTheBudgetIsRefused_data()
    {
        QTest::addColumn<bool>("records");
        QTest::addColumn<int>("distinct");
        QTest::addColumn<int>("listed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("8 distinct data") << false << 8 << 8 << false;
        QTest::newRow("40 distinct data") << false << 40 << 40 << true;
        QTest::newRow("1 data listed 20,000 times") << false << 1 << 20000 << false;
        QTest::newRow("1 data listed 50,000 times") << false << 1 << 50000 << true;
        QTest::newRow("5,000 distinct records") << true << 5000 << 5000 << true;
        QTest::newRow("1 record listed 5,000 times") << true << 1 << 5000 << false;
        QTest::newRow("1 record listed 20,000 times") << true << 1 << 20000 << true;
    }
    void decodingPastTheBudgetIsRefused()
    {
        QFETCH(bool, records);
        QFETCH(int, distinct);
        QFETCH(int, listed);
        QFETCH(bool, refused);
        RawArchive a;
        std::vector<Node> items;
        for (int i = 0; i < distinct; ++i) {
            const char letter = char('a' + i % 26);
            items.push_back(records
                                ? a.addDictionary({{QStringLiteral("1"), a.add(plistInt(i))},
                                                   {QStringLiteral("3"),
                                                    a.add(plistString(QString(1000, QChar(letter)) +
                                                                      QString::number(i)))}})
                                : a.add(plistData(QByteArray(64 << 10, letter))));
        }
        items.resize(size_t(listed), items.front());
        const Node list = a.addArray(items);
        KeyedArchiveReader r;
        QVERIFY(r.open(
            a.bytes(records ? a.addDictionary({{QStringLiteral("dataArray"), list}}) : list)));
        r.setDecodedLimit(1 << 20);
        if (records)
            r.setRecordListKey(QStringLiteral("dataArray"));
        const std::optional<Value> root = r.decodeTop();
        QCOMPARE(!root, refused);
        if (refused) {
            QVERIFY2(r.error().contains(QStringLiteral("MiB of memory")), qPrintable(r.error()));
            return;
        }
        if (!records || distinct > 1)
            return;
        // Named again, a record is the same record, not a copy.
        const Value back = root->toDict()->value(QStringLiteral("dataArray"));
        QCOMPARE(back.toArray()->items.size(), size_t(listed));
        QCOMPARE(back.toArray()->items.back().recordPtr(),
                 back.toArray()->items.front().recordPtr());
    }
};

QTEST_GUILESS_MAIN(TestHandmadeArchive)
#include "tst_handmadearchive.moc"
