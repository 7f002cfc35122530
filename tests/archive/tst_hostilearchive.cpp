#include "rawarchive.h"

#include "archive/documentcodec.h"
#include "archive/keyedarchivereader.h"
#include "core/array.h"
#include "core/dict.h"
#include "core/document.h"

#include <QTest>

using namespace quillory;
using namespace quillory::test;

namespace {

// A document whose one record holds, under "3", a list of count references to one object of
// size bytes (data, or text when asText).
QByteArray amplifyingDocument(int count, int size, bool asText)
{
    RawArchive a;
    const Node shared =
        asText ? a.add(plistString(QString(size, u'x'))) : a.add(plistData(QByteArray(size, 'x')));
    const Node list = a.addArray(std::vector<Node>(size_t(count), shared));
    const Node record =
        a.addDictionary({{QStringLiteral("1"), a.add(plistInt(1))}, {QStringLiteral("3"), list}});
    const Node root =
        a.addDictionary({{QStringLiteral("appversion"), a.add(plistInt(10000))},
                         {QStringLiteral("keyArray"), a.addArray({})},
                         {QStringLiteral("dataArray"), a.addArray({record})},
                         {QStringLiteral("universalFilePrototypeArray"), a.addArray({})}});
    return a.bytes(root);
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

class TestHostileArchive : public QObject
{
    Q_OBJECT

private slots:
    void sharedObjectsOpenAndSaveOnce_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("asText");
        // Without sharing the first takes 1 GB to open.
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
        const QByteArray file = amplifyingDocument(count, size, asText);
        Document doc;
        const Result<> read = DocumentCodec::readFromData(doc, file);
        QVERIFY2(read, qPrintable(read.message()));
        QCOMPARE(doc.dataArray().size(), size_t(1));
        const Value list = doc.dataArray().front()->value(QStringLiteral("3"));
        QCOMPARE(list.toArray()->items.size(), size_t(count));
        const std::vector<const void*> payloads = payloadsOf(list);
        QVERIFY(std::all_of(payloads.begin(), payloads.end(),
                            [&](const void* p) { return p == payloads.front(); }));

        // The save writes the shared value once: about as large as the file read.
        const QByteArray saved = DocumentCodec::dataOfType(doc);
        QVERIFY2(saved.size() < 2 * file.size() + 4096,
                 qPrintable(
                     QStringLiteral("%1 bytes saved from %2").arg(saved.size()).arg(file.size())));
        Document again;
        QVERIFY(DocumentCodec::readFromData(again, saved));
        const Value back = again.dataArray().front()->value(QStringLiteral("3"));
        QCOMPARE(back, list);
        const std::vector<const void*> backPayloads = payloadsOf(back);
        QCOMPARE(std::count(backPayloads.begin(), backPayloads.end(), backPayloads.front()),
                 qsizetype(count));
    }

    void distinctValuesAreNotMerged()
    {
        // Equal texts that share nothing stay separate objects, as they always were written.
        const ArrayPtr list = Array::make();
        for (int i = 0; i < 3; ++i)
            list->items.push_back(Value::string(QString(40, u'y')));
        Document doc;
        DocumentContents c;
        const MutableRecord record = PackedRecord::make();
        record->set(QStringLiteral("3"), Value::array(list));
        c.records.push_back(record);
        doc.setContents(std::move(c));
        const QByteArray saved = DocumentCodec::dataOfType(doc);
        QCOMPARE(saved.count(QByteArray(40, 'y')), qsizetype(3));
    }

    void decodingPastTheBudgetIsRefused_data()
    {
        QTest::addColumn<int>("distinct");
        QTest::addColumn<bool>("refused");
        // 1 MiB of budget: 8 distinct objects of 64 KiB fit, 40 do not; references to one
        // object cost nothing more.
        QTest::newRow("8 distinct") << 8 << false;
        QTest::newRow("40 distinct") << 40 << true;
        QTest::newRow("1 referenced 20,000 times") << 1 << false;
    }
    void decodingPastTheBudgetIsRefused()
    {
        QFETCH(int, distinct);
        QFETCH(bool, refused);
        RawArchive a;
        std::vector<Node> items;
        for (int i = 0; i < distinct; ++i)
            items.push_back(a.add(plistData(QByteArray(64 << 10, char('a' + i % 26)))));
        if (distinct == 1)
            items.resize(20000, items.front());
        const QByteArray file = a.bytes(a.addArray(items));
        KeyedArchiveReader r;
        QVERIFY(r.open(file));
        r.setDecodedLimit(1 << 20);
        const std::optional<Value> root = r.decodeTop();
        QCOMPARE(!root, refused);
        if (refused)
            QVERIFY2(r.error().contains(QStringLiteral("MiB of memory")), qPrintable(r.error()));
    }

    // Rows: a list of records long enough to be read on several threads, made of how many
    // distinct records, whether 1 MiB of budget refuses it. The threads' copies count too.
    void aLongRecordListStaysWithinTheBudget_data()
    {
        QTest::addColumn<int>("distinct");
        QTest::addColumn<bool>("refused");
        QTest::newRow("5,000 records of 1,000 bytes") << 5000 << true;
        QTest::newRow("1 record named 20,000 times") << 1 << false;
    }
    void aLongRecordListStaysWithinTheBudget()
    {
        QFETCH(int, distinct);
        QFETCH(bool, refused);
        RawArchive a;
        std::vector<Node> records;
        for (int i = 0; i < distinct; ++i)
            records.push_back(a.addDictionary(
                {{QStringLiteral("1"), a.add(plistInt(i))},
                 {QStringLiteral("3"),
                  a.add(plistString(QString(1000, QChar(u'a' + i % 26)) + QString::number(i)))}}));
        if (distinct == 1)
            records.resize(20000, records.front());
        const QByteArray file =
            a.bytes(a.addDictionary({{QStringLiteral("dataArray"), a.addArray(records)}}));
        KeyedArchiveReader r;
        QVERIFY(r.open(file));
        r.setDecodedLimit(1 << 20);
        r.setRecordListKey(QStringLiteral("dataArray"));
        const std::optional<Value> root = r.decodeTop();
        QCOMPARE(!root, refused);
        if (refused) {
            QVERIFY2(r.error().contains(QStringLiteral("MiB of memory")), qPrintable(r.error()));
            return;
        }
        // Named again, a record is the same record, not a copy.
        const Value list = root->toDict()->value(QStringLiteral("dataArray"));
        QCOMPARE(list.toArray()->items.size(), size_t(20000));
        QCOMPARE(list.toArray()->items.back().recordPtr(),
                 list.toArray()->items.front().recordPtr());
    }
};

QTEST_GUILESS_MAIN(TestHostileArchive)
#include "tst_hostilearchive.moc"
