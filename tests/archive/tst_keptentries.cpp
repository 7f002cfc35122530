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

using Entries = std::vector<std::pair<QString, Node>>;

Node make(bool b)
{
    auto n = std::make_shared<PlistNode>();
    n->v = b;
    return n;
}

// A document with the given field key dictionaries, one record (with the given extra
// entries) and the given root extras.
QByteArray documentWith(RawArchive& a, std::vector<Node> keys, const Entries& extras,
                        const Entries& recordExtras = {})
{
    Entries entries{{QStringLiteral("1"), a.add(plistInt(1))},
                    {QStringLiteral("3"), a.add(plistString("Ann"))},
                    {QStringLiteral("4"), a.add(plistString("Rome"))}};
    entries.insert(entries.end(), recordExtras.begin(), recordExtras.end());
    const Node record = a.addDictionary(entries);
    Entries root{{QStringLiteral("appversion"), a.add(plistInt(10000))},
                 {QStringLiteral("keyArray"), a.addArray(std::move(keys))},
                 {QStringLiteral("dataArray"), a.addArray({record})}};
    root.insert(root.end(), extras.begin(), extras.end());
    return a.bytes(a.addDictionary(root));
}

QByteArray documentWithTabs(const std::optional<QVariant>& main, const std::optional<QVariant>& sec)
{
    RawArchive a;
    Entries extras;
    for (const auto& [key, v] : {std::pair{QStringLiteral("mainTabId"), main},
                                 std::pair{QStringLiteral("secTabId"), sec}}) {
        if (!v)
            continue;
        extras.emplace_back(key, v->typeId() == QMetaType::QString
                                     ? a.add(plistString(v->toString()))
                                     : a.add(plistInt(v->toLongLong())));
    }
    return documentWith(a, {}, extras);
}

// The field key dictionaries of a saved document, as read back.
std::vector<DictPtr> savedKeys(const Document& doc)
{
    const Result<Value> root = KeyedArchiveReader::rootObject(DocumentCodec::dataOfType(doc));
    std::vector<DictPtr> keys;
    if (root)
        for (const Value& v : root->toDict()->value(QStringLiteral("keyArray")).toArray()->items)
            keys.push_back(v.toDict());
    return keys;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<QVariant>)

class TestKeptEntries : public QObject
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
            documentWith(a,
                         {key(a.add(plistString("1")), a.add(plistString("#"))),
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
                           {QStringLiteral("NS.flag"), make(true)},
                           {QStringLiteral("NS.blob"), plistData(QByteArray("\x00\x01", 2))}});
        const Node styled = a.addInstance(a.addClass({"NSAttributedString", "NSObject"}),
                                          {{QStringLiteral("NSString"), a.add(plistString("hi"))},
                                           {QStringLiteral("NSAttributes"), set}});
        const QByteArray file = documentWith(
            a, {}, {{QStringLiteral("futureSet"), set}, {QStringLiteral("frame"), value}},
            {{QStringLiteral("nothing"), null}, {QStringLiteral("styled"), styled}});
        Document doc;
        const Result<> read = DocumentCodec::readFromData(doc, file);
        QVERIFY2(read, qPrintable(read.message()));

        // Saved, each reads back as it was in the file, the set shared by both its holders.
        const Result<Value> original = KeyedArchiveReader::rootObject(file);
        const Result<Value> saved = KeyedArchiveReader::rootObject(DocumentCodec::dataOfType(doc));
        QVERIFY2(original && saved, qPrintable(original.message() + saved.message()));
        const auto entry = [](const Value& root, const QString& key) {
            return test::graphJson(root.toDict()->value(key));
        };
        const auto recordValue = [](const Value& root, const QString& key) {
            const Value records = root.toDict()->value(QStringLiteral("dataArray"));
            return records.toArray()->items.front().toDict()->value(key);
        };
        for (const QString& key : {QStringLiteral("futureSet"), QStringLiteral("frame")})
            QCOMPARE(entry(*saved, key), entry(*original, key));
        QCOMPARE(test::graphJson(recordValue(*saved, QStringLiteral("nothing"))),
                 test::graphJson(recordValue(*original, QStringLiteral("nothing"))));
        const Value styledBack = recordValue(*saved, QStringLiteral("styled"));
        QCOMPARE(styledBack.toDict()->archived->className, QStringLiteral("NSAttributedString"));
        QCOMPARE(styledBack.toDict()->value(QStringLiteral("NSAttributes")).toDict(),
                 saved->toDict()->value(QStringLiteral("futureSet")).toDict());
        QCOMPARE(entry(*saved, QStringLiteral("frame"))[u"inline"].toArray().size(), 4);
    }

    void whatCannotBeCarriedIsRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("refusal");
        {
            RawArchive a;
            // Object 1 names itself.
            const Node self = plistUid(1);
            a.add(plistDict(
                {{QStringLiteral("next"), self}, {QStringLiteral("$class"), plistUid(2)}}));
            a.addClass({"Loop", "NSObject"});
            QTest::newRow("cycle through another class")
                << documentWith(a, {}, {{QStringLiteral("loop"), self}}) << "reference cycle";
        }
        // An object of a class we do not model, with one field stored inline.
        const auto oddDocument = [](const QString& field, const Node& inlined) {
            RawArchive a;
            const Node odd = a.addInstance(a.addClass({"Odd", "NSObject"}), {{field, inlined}});
            return documentWith(a, {}, {{QStringLiteral("odd"), odd}});
        };
        QTest::newRow("inline dictionary")
            << oddDocument("map", plistDict({{QStringLiteral("k"), plistInt(1)}}))
            << "cannot be kept";
        QTest::newRow("inline list of values")
            << oddDocument("list", plistArray({plistInt(1)})) << "value where a reference belongs";
    }
    void whatCannotBeCarriedIsRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, refusal);
        Document doc;
        const Result<> read = DocumentCodec::readFromData(doc, file);
        QVERIFY(!read);
        QVERIFY2(read.message().contains(refusal), qPrintable(read.message()));
    }

    void missingOrUnknownTabsReadAsTheFirstOnes_data()
    {
        QTest::addColumn<std::optional<QVariant>>("main");
        QTest::addColumn<std::optional<QVariant>>("sec");
        QTest::addColumn<QString>("expectedMain");
        QTest::addColumn<QString>("expectedSec");
        const std::optional<QVariant> none;
        const auto text = [](const char* s) { return std::optional<QVariant>(QString(s)); };
        const auto row = [](const char* name, std::optional<QVariant> main,
                            std::optional<QVariant> sec, const char* m, const char* s) {
            QTest::newRow(name) << main << sec << QString(m) << QString(s);
        };
        row("both missing", none, none, "db", "one");
        row("known ones kept", text("run"), text("multi"), "run", "multi");
        row("unknown texts", text("settings"), text("two"), "db", "one");
        row("numbers", 2, 1, "db", "one");
        row("case differs", text("Merge"), text("Multi"), "db", "one");
    }
    void missingOrUnknownTabsReadAsTheFirstOnes()
    {
        QFETCH(std::optional<QVariant>, main);
        QFETCH(std::optional<QVariant>, sec);
        QFETCH(QString, expectedMain);
        QFETCH(QString, expectedSec);
        Document doc;
        const Result<> read = DocumentCodec::readFromData(doc, documentWithTabs(main, sec));
        QVERIFY2(read, qPrintable(read.message()));
        QCOMPARE(doc.mainTabId(), expectedMain);
        QCOMPARE(doc.secTabId(), expectedSec);
        const Result<Value> saved = KeyedArchiveReader::rootObject(DocumentCodec::dataOfType(doc));
        QVERIFY(saved);
        QCOMPARE(saved->toDict()->value(QStringLiteral("mainTabId")).toString(), expectedMain);
        QCOMPARE(saved->toDict()->value(QStringLiteral("secTabId")).toString(), expectedSec);
    }
};

QTEST_GUILESS_MAIN(TestKeptEntries)
#include "tst_keptentries.moc"
