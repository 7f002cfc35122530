#include "archivecheck.h"
#include "rawarchive.h"

#include "support/caserows.h"
#include "support/documentbuilder.h"
#include "support/scratchfolder.h"
#include "support/testdata.h"

#include "archive/documentcodec.h"
#include "archive/keyedarchivereader.h"
#include "archive/keyedarchivewriter.h"
#include "core/array.h"
#include "core/dict.h"
#include "core/document.h"
#include "core/tabids.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTest>

#include <sys/resource.h>

#include <csignal>

using namespace quillory;

namespace {

QByteArray archiveOf(const Value& root)
{
    const Result<QByteArray> bytes = KeyedArchiveWriter::archivedData(root);
    return bytes ? *bytes : QByteArray();
}

} // namespace

class TestDocumentCodec : public QObject
{
    Q_OBJECT

private slots:
    void savedDocumentIsWhatFoundationExpects();
    void earlierDocumentsSaveAsTheyWereRead_data();
    void earlierDocumentsSaveAsTheyWereRead();
    void longRecordListsReadAsOnePass();
    void recordsHeldElsewhereStayOneObject();
    void refusedFilesLeaveTheDocumentUntouched_data();
    void refusedFilesLeaveTheDocumentUntouched();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();

private:
    test::ScratchFolder m_scratch;
};

void TestDocumentCodec::savedDocumentIsWhatFoundationExpects()
{
    // A file as another release writes it: immutable records and lists, a record entry and
    // Prototype entries this release does not know, a Prototype with nothing but a path, the
    // bookmark as NSMutableData, unknown root entries, no secTabId.
    const QByteArray foreign = archiveOf(
        test::graphValue(test::readJson(QStringLiteral("archive/foreign_document.json"))));
    Document doc;
    const Result<> read = DocumentCodec::readFromData(doc, foreign);
    QVERIFY2(read, qPrintable(read.message()));
    const QString path = m_scratch.filePath(QStringLiteral("saved.quillory"));
    const Result<> saved = DocumentCodec::writeToFile(doc, path);
    QVERIFY2(saved, qPrintable(saved.message()));

    // What plistlib and libplist read: mutable records, lists and templates (Foundation then
    // rebuilds mutable objects), every entry kept, missing texts saved empty and the missing
    // tab as the first one.
    const QJsonObject theirs = test::runTool({QStringLiteral("check"), path});
    QCOMPARE(theirs[u"error"].toString(), QString());
    QCOMPARE(theirs[u"lint"], QJsonValue(QJsonArray()));
    QCOMPARE(theirs[u"plistutil"].toString(), QStringLiteral("ok"));
    QCOMPARE(theirs[u"graph"], test::readJson(QStringLiteral("archive/saved_document.json")));

    // Opened again and saved in memory, it gives the same bytes.
    Document again;
    const Result<> reread = DocumentCodec::readFromFile(again, path);
    QVERIFY2(reread, qPrintable(reread.message()));
    QCOMPARE(DocumentCodec::dataOfType(again), test::readFile(path));
}

void TestDocumentCodec::earlierDocumentsSaveAsTheyWereRead_data()
{
    // Saved by the release before records were packed: an import with later edits, a file
    // with entries of every kind (shared long texts, a record listed twice, keys missing or
    // in another order, foreign classes), a ragged import, the demo.
    QTest::addColumn<QString>("file");
    const QDir earlier(test::testDataPath(QStringLiteral("archive/earlier")));
    const QStringList files = earlier.entryList({QStringLiteral("*.quillory")}, QDir::Files);
    QVERIFY(files.size() >= 4);
    for (const QString& name : files)
        QTest::newRow(qPrintable(name)) << earlier.filePath(name);
}

void TestDocumentCodec::earlierDocumentsSaveAsTheyWereRead()
{
    QFETCH(QString, file);
    Document doc;
    const Result<> read = DocumentCodec::readFromFile(doc, file);
    QVERIFY2(read, qPrintable(read.message()));
    const QString path = m_scratch.filePath(QFileInfo(file).fileName());
    const Result<> saved = DocumentCodec::writeToFile(doc, path);
    QVERIFY2(saved, qPrintable(saved.message()));

    // Compared as plistlib decodes them, then byte for byte.
    const QJsonObject compared = test::runTool({QStringLiteral("same"), file, path});
    QCOMPARE(compared[u"error"].toString(), QString());
    QVERIFY(compared[u"objects"].toInt() > 20);
    QVERIFY(compared[u"same"].toBool());
    QCOMPARE(test::readFile(path), test::readFile(file));
}

void TestDocumentCodec::longRecordListsReadAsOnePass()
{
    // Enough records to be read on several threads, with every kind a thread leaves to the
    // reader among plain ones: long texts shared by many records, dates, non-Latin texts, a
    // record listed twice, records with their keys in another order, a 64-bit unsigned.
    const QString shared = QStringLiteral("a long text that many records share");
    // As short as a text may be and stay shared: one character less and each record holds
    // its own, a character more and it is shared anyway.
    const QString sixteen = QStringLiteral("sixteen letters!");
    auto root = Dict::make(true);
    root->set(QStringLiteral("appversion"), Value::integer(10000));
    auto records = Array::make({}, true);
    std::vector<DictPtr> source;
    for (int i = 0; i < 10000; ++i) {
        auto r = Dict::make(true);
        const bool reordered = i % 13 == 0;
        r->set(reordered ? QStringLiteral("2") : QStringLiteral("1"),
               reordered ? Value::boolean(i % 2) : Value::integer(i));
        r->set(reordered ? QStringLiteral("1") : QStringLiteral("2"),
               reordered ? Value::integer(i) : Value::boolean(i % 2));
        r->set(QStringLiteral("3"), Value::string(QStringLiteral("name %1").arg(i)));
        // Long texts of its own (packed), and one text listed twice in the same record.
        if (i % 7 == 0)
            r->set(QStringLiteral("5"),
                   Value::string(QStringLiteral("a long text of record %1").arg(i)));
        if (i == 0 || i == 2000) {
            const Value twice = Value::string(QStringLiteral("listed twice by record %1").arg(i));
            r->set(QStringLiteral("6"), twice);
            r->set(QStringLiteral("7"), twice);
        }
        r->set(QStringLiteral("4"), i % 97 == 5   ? Value::string(shared)
                                    : i % 97 == 6 ? Value::string(sixteen)
                                    : i % 89 == 0 ? Value::string(QStringLiteral("Ωmega %1").arg(i))
                                    : i % 101 == 0 ? Value::date({double(i)})
                                    : i % 103 == 0 ? Value::unsignedInteger(~quint64(0))
                                                   : Value::string(QString::number(i * 7)));
        source.push_back(r);
        records->items.push_back(Value::dict(i == 5000 ? source[10] : r));
    }
    source[5000] = source[10];
    root->set(QStringLiteral("dataArray"), Value::array(records));
    const QByteArray file = archiveOf(Value::dict(root));

    Document doc;
    const Result<> read = DocumentCodec::readFromData(doc, file);
    QVERIFY2(read, qPrintable(read.message()));
    QCOMPARE(doc.dataArray().size(), size_t(10000));
    for (size_t i = 0; i < source.size(); ++i) {
        const Record& r = doc.dataArray()[i];
        QCOMPARE(r->size(), qsizetype(source[i]->entries.size()));
        for (qsizetype k = 0; k < r->size(); ++k) {
            QCOMPARE(r->keyAt(k), source[i]->entries[size_t(k)].first);
            QVERIFY2(r->valueAt(k) == source[i]->entries[size_t(k)].second,
                     qPrintable(QStringLiteral("record %1 entry %2").arg(i).arg(k)));
        }
    }
    QCOMPARE(doc.dataArray()[5000].get(), doc.dataArray()[10].get());
    // Shared texts stay one text; a text only one record lists is packed in it.
    const auto storage = [&](size_t i, const char* key) {
        const Record& r = doc.dataArray()[i];
        const Value* v = r->asideAt(r->indexOf(QString::fromLatin1(key)));
        return v && v->stringPtr() ? v->stringPtr()->constData() : nullptr;
    };
    QVERIFY(storage(102, "4"));
    QCOMPARE(storage(5, "4"), storage(9705, "4"));
    QCOMPARE(storage(0, "6"), storage(0, "7"));
    QCOMPARE(storage(2000, "6"), storage(2000, "7"));
    QVERIFY(storage(2000, "6"));
    QVERIFY(!storage(7, "5"));
    QVERIFY(!storage(7000, "5"));
    // Saved, read and saved again: the same archive, the shared text written once.
    const QByteArray saved = DocumentCodec::dataOfType(doc);
    QCOMPARE(saved.count(shared.toLatin1()), qsizetype(1));
    QCOMPARE(saved.count(sixteen.toLatin1()), qsizetype(1));
    Document again;
    QVERIFY(DocumentCodec::readFromData(again, saved));
    QCOMPARE(DocumentCodec::dataOfType(again), saved);

    // A record that is no dictionary, far down the list, is refused as on a plain reading.
    records->items[7000] = Value::string(QStringLiteral("not a record"));
    Document refused;
    const Result<> bad = DocumentCodec::readFromData(refused, archiveOf(Value::dict(root)));
    QVERIFY(!bad);
    QVERIFY2(bad.message().contains(QStringLiteral("a record of dataArray is not a dictionary")),
             qPrintable(bad.message()));
}

void TestDocumentCodec::recordsHeldElsewhereStayOneObject()
{
    // A hand-made file: a record that a field key, another record and an unknown entry hold
    // too, met there before the list. It stays one object: saved, read and saved again, the
    // same archive, the record written once.
    auto record = Dict::make(true);
    record->set(QStringLiteral("1"), Value::integer(1));
    record->set(QStringLiteral("3"), Value::string(QStringLiteral("held in four places")));
    auto key = Dict::make(true);
    key->set(QStringLiteral("innerKey"), Value::string(QStringLiteral("3")));
    key->set(QStringLiteral("publicKey"), Value::string(QStringLiteral("Name")));
    key->set(QStringLiteral("extra"), Value::dict(record));
    auto other = Dict::make(true);
    other->set(QStringLiteral("1"), Value::integer(2));
    other->set(QStringLiteral("3"), Value::dict(record));
    auto root = Dict::make(true);
    root->set(QStringLiteral("appversion"), Value::integer(10000));
    root->set(QStringLiteral("keyArray"), Value::array(Array::make({Value::dict(key)})));
    root->set(QStringLiteral("later"), Value::dict(record));
    root->set(QStringLiteral("dataArray"),
              Value::array(Array::make({Value::dict(other), Value::dict(record)})));

    Document doc;
    QVERIFY(DocumentCodec::readFromData(doc, archiveOf(Value::dict(root))));
    QCOMPARE(doc.dataArray()[0]->valueAt(1).toRecord().get(), doc.dataArray()[1].get());
    const QByteArray saved = DocumentCodec::dataOfType(doc);
    QCOMPARE(saved.count("held in four places"), qsizetype(1));
    Document again;
    QVERIFY(DocumentCodec::readFromData(again, saved));
    QCOMPARE(DocumentCodec::dataOfType(again), saved);
}

void TestDocumentCodec::refusedFilesLeaveTheDocumentUntouched_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("outcome");  // "opens", "newer", or what the refusal names
    QTest::addColumn<QStringList>("tabs"); // the main and secondary tab a file that opens shows
    const QJsonArray rows = test::readJson(QStringLiteral("archive/opening.json")).toArray();
    QVERIFY(!rows.isEmpty());
    for (const QJsonValue& row : rows)
        QTest::newRow(qPrintable(row[u"name"].toString()))
            << archiveOf(test::graphValue(row[u"root"])) << row[u"outcome"].toString()
            << (row[u"tabs"].isArray() ? test::texts(row[u"tabs"]) : QStringList{"run", "one"});
    const QByteArray good = archiveOf(test::graphValue(rows[0][u"root"]));
    QTest::newRow("last byte missing") << good.chopped(1) << "trailer is damaged" << QStringList();
    QTest::newRow("not an archive")
        << QByteArray("quillory document") << "not a binary" << QStringList();
    // Shapes our writer never makes.
    {
        test::RawArchive a;
        // Object 1 names itself.
        const test::Node self = test::plistUid(1);
        a.add(test::plistDict({{"next", self}, {"$class", test::plistUid(2)}}));
        a.addClass({"Loop", "NSObject"});
        QTest::newRow("cycle through another class")
            << a.document({}, {{"loop", self}}) << "reference cycle" << QStringList();
    }
    // An object of a class we do not model, with one field stored inline.
    const auto oddDocument = [](const QString& field, const test::Node& inlined) {
        test::RawArchive a;
        const test::Node odd = a.addInstance(a.addClass({"Odd", "NSObject"}), {{field, inlined}});
        return a.document({}, {{QStringLiteral("odd"), odd}});
    };
    QTest::newRow("inline dictionary")
        << oddDocument("map", test::plistDict({{"k", test::plistInt(1)}})) << "cannot be kept"
        << QStringList();
    QTest::newRow("inline list of values")
        << oddDocument("list", test::plistArray({test::plistInt(1)}))
        << "value where a reference belongs" << QStringList();
}

void TestDocumentCodec::refusedFilesLeaveTheDocumentUntouched()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, outcome);
    QFETCH(QStringList, tabs);
    Document doc;
    test::fillDocument(doc, {QStringLiteral("Name")}, {{"kept"}});
    doc.setSavedTabs(TabIds::kFiles, TabIds::kAllInOne);
    const QByteArray before = DocumentCodec::dataOfType(doc);

    const Result<> result = DocumentCodec::readFromData(doc, file);
    if (outcome == u"opens") {
        QVERIFY2(result, qPrintable(result.message()));
        // Tabs missing, unknown or not texts read, and save, as the first ones.
        const Result<Value> saved = KeyedArchiveReader::rootObject(DocumentCodec::dataOfType(doc));
        QVERIFY(saved);
        QCOMPARE((QStringList{doc.mainTabId(), doc.secTabId()}), tabs);
        QCOMPARE((QStringList{saved->toDict()->value(QStringLiteral("mainTabId")).toString(),
                              saved->toDict()->value(QStringLiteral("secTabId")).toString()}),
                 tabs);
        return;
    }
    QVERIFY(!result);
    QCOMPARE(result.failure().alert.has_value(), outcome == u"newer");
    if (outcome == u"newer")
        QCOMPARE(result.failure().alert->messageText, Alert::newerDocument().messageText);
    else
        QVERIFY2(result.message().contains(outcome), qPrintable(result.message()));
    QCOMPARE(DocumentCodec::dataOfType(doc), before);
}

void TestDocumentCodec::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<int>("records");
    // Smaller than every write buffer (Qt's own is 16 KiB), and written in several chunks.
    QTest::newRow("small") << 40;
    QTest::newRow("several chunks") << 60000;
}

void TestDocumentCodec::failedSaveKeepsTheOldFile()
{
    QFETCH(int, records);
    test::ScratchFolder folder;
    const QString path = folder.filePath(QStringLiteral("kept.quillory"));
    Document small;
    QVERIFY(DocumentCodec::writeToFile(small, path));
    const QByteArray original = test::readFile(path);

    Document large;
    QList<QStringList> rows;
    for (int i = 0; i < records; ++i)
        rows.append({QStringLiteral("some text %1").arg(i)});
    test::fillDocument(large, {QStringLiteral("Text")}, rows);
    const qsizetype size = DocumentCodec::dataOfType(large).size();
    // The disk fills up halfway through the larger file: writes past the limit fail.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = rlim_t(std::max(original.size() * 2, size / 2));
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &lowered) == 0);
    const Result<> result = DocumentCodec::writeToFile(large, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!result);
    QVERIFY(!result.message().isEmpty());
    QCOMPARE(test::readFile(path), original);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("kept.quillory")});
}

QTEST_GUILESS_MAIN(TestDocumentCodec)
#include "tst_documentcodec.moc"
