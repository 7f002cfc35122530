#include "core/document.h"
#include "core/locationbookmark.h"
#include "prototypes/examplename.h"
#include "prototypes/prototypeside.h"
#include "prototypes/taginsertion.h"
#include "prototypes/unknowntags.h"
#include "support/caserows.h"
#include "support/documentbuilder.h"

#include <QJsonArray>
#include <QtTest>

using namespace quillory;

Q_DECLARE_METATYPE(PrototypeSide)

namespace {

// A document with the fields given and one Prototype per text (its path, or its template
// when the text starts with "text:").
void fill(Document& doc, const QStringList& fields, const QStringList& texts)
{
    for (const QString& name : fields)
        doc.insertField(int(doc.keyArray().size()), {doc.unusedInnerKey(), name});
    for (const QString& t : texts) {
        auto p = std::make_shared<Prototype>();
        if (t.startsWith(QLatin1String("text:")))
            p->text = t.mid(5);
        else
            p->path = t;
        doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), p);
    }
}

} // namespace

class PrototypesTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // The field Name, the records Blue and Red, a fixed clock, and the destination folder in
    // m_dir (none for ""): "gone" is removed once chosen.
    void setUp(Document& doc, const QString& folder)
    {
        doc.setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        test::fillDocument(doc, {"Name"}, {{"Blue"}, {"Red"}});
        const QString path = m_dir.filePath(folder);
        std::optional<QByteArray> bookmark;
        if (!folder.isEmpty() && QDir().mkpath(path))
            bookmark = LocationBookmark::make(path, LocationBookmark::Access::ReadWrite);
        if (folder == QLatin1String("gone"))
            QVERIFY(QDir(path).removeRecursively());
        doc.setDestination(bookmark.has_value(), bookmark);
    }

private slots:
    // Rows: name, side, full-path flag, destination folder, the record (1-based, 0 for none),
    // the name template, the example ("$" for m_dir; null for none).
    void examplesOfTheNameFields_data() { test::addCaseRows("prototypes", "examplename.json"); }
    void examplesOfTheNameFields()
    {
        QFETCH(QJsonArray, row);
        const bool multi = row[1].toString() == QLatin1String("multi");
        const PrototypeSide side = multi ? PrototypeSide::OnePerRecord : PrototypeSide::AllInOne;
        Document doc;
        setUp(doc, row[3].toString());
        const PrototypePtr proto = newPrototype(side);
        doc.insertPrototype(0, proto);
        doc.setPrototypePath(proto, row[5].toString());
        const qsizetype record = row[4].toInteger();
        const bool fullPath = row[2].toBool();
        const std::optional<QString> example =
            multi ? ExampleName::onePerRecord(
                        doc, proto, record ? doc.dataArray()[record - 1] : nullptr, fullPath)
                  : ExampleName::allInOne(doc, proto, fullPath);
        QCOMPARE(example ? QJsonValue(*example) : QJsonValue(),
                 row[6].isNull() ? QJsonValue() : row[6].toString().replace("$", m_dir.path()));
    }

    // The merge tab's example is the item's path as it stands, with no Prototype or item none.
    void mergeExampleShowsTheUnexpandedItemPath()
    {
        Document doc;
        setUp(doc, QString());
        QCOMPARE(ExampleName::allInOne(doc, nullptr, true), std::nullopt);
        QCOMPARE(ExampleName::onePerRecord(doc, nullptr, doc.dataArray()[0], true), std::nullopt);
        const GeneratedItem item{QStringLiteral("<Name>/card.txt"), false, true, 0};
        QCOMPARE(ExampleName::ofItem(doc, item, true), QStringLiteral("<Name>/card.txt"));
        QCOMPARE(ExampleName::ofItem(doc, std::nullopt, true), std::nullopt);
        doc.setDestination(
            true, LocationBookmark::make(m_dir.path(), LocationBookmark::Access::ReadWrite));
        QCOMPARE(ExampleName::ofItem(doc, item, true), m_dir.path() + "/<Name>/card.txt");
        QCOMPARE(ExampleName::ofItem(doc, item, false), QStringLiteral("<Name>/card.txt"));
    }

    // New Prototypes are untitled empty files of their side, each with a uuid of its own; the
    // two tables of the files tab list the Prototypes of their side, in list order.
    void eachSideListsItsOwnInListOrder()
    {
        Document doc;
        std::vector<PrototypePtr> one, multi;
        for (int i = 0; i < 3; ++i) {
            for (PrototypeSide side : {PrototypeSide::OnePerRecord, PrototypeSide::AllInOne}) {
                const PrototypePtr p = newPrototype(side);
                QCOMPARE(sideOf(*p), side);
                QCOMPARE(p->isMulti, side == PrototypeSide::OnePerRecord);
                QCOMPARE(p->path, QStringLiteral("Untitled"));
                QVERIFY(!p->isFolder && p->head.isEmpty() && p->text.isEmpty() &&
                        p->separator.isEmpty() && p->foot.isEmpty());
                QVERIFY(!p->uuid.isNull());
                for (const PrototypePtr& other : doc.universalFilePrototypeArray())
                    QVERIFY(other->uuid != p->uuid);
                p->path = QString::number(i);
                doc.insertPrototype(qsizetype(doc.universalFilePrototypeArray().size()), p);
                (side == PrototypeSide::AllInOne ? one : multi).push_back(p);
            }
        }
        QCOMPARE(prototypesOn(doc, PrototypeSide::AllInOne), one);
        QCOMPARE(prototypesOn(doc, PrototypeSide::OnePerRecord), multi);
    }

    // Rows: name, text, selection start and length, the text with "<T>" inserted, the cursor.
    void replaceSelection_data() { test::addCaseRows("prototypes", "replaceselection.json"); }
    void replaceSelection()
    {
        QFETCH(QJsonArray, row);
        const EditorState result = TagInsertion::replaceSelection(
            {row[1].toString(), row[2].toInteger(), row[3].toInteger()}, QStringLiteral("<T>"));
        QCOMPARE(result.text, row[4].toString());
        QCOMPARE(result.selectionStart, row[5].toInteger());
        QCOMPARE(result.selectionLength, 0);
    }

    // marked is text with each known tag put between "[" and "]" and each unknown one
    // between "{" and "}"; the unknown tags are those, each once. meant: the known tag that the
    // first unknown one likely misspells.
    void tagsAreFoundWhereTheyLie_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<bool>("withRecordTags");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("marked");
        QTest::addColumn<QString>("meant");
        const auto row = [](const char* name, const QStringList& fields, const QString& text,
                            const QString& marked, const QString& meant = {},
                            bool withRecordTags = true) {
            QTest::newRow(name) << fields << withRecordTags << text << marked << meant;
        };
        const QStringList pupils{"Prénom", "Classe"};
        row("all known", pupils, "<Classe>/<Prénom> <#> <YY>-<M> <h><m><s> <Y>-<D>",
            "[<Classe>]/[<Prénom>] [<#>] [<YY>]-[<M>] [<h>][<m>][<s>] [<Y>]-[<D>]");
        row("accent missing", pupils, "<Prenom>.txt", "{<Prenom>}.txt", "<Prénom>");
        row("trailing space", pupils, "<Classe >/<Classe>", "{<Classe >}/[<Classe>]", "<Classe>");
        row("once per text", pupils, "<x> <x> <y>", "{<x>} {<x>} {<y>}");
        row("case counts", pupils, "<classe> <yy>", "{<classe>} {<yy>}", "<Classe>");
        row("two it may misspell", pupils, "<m >", "{<m >}");
        // The checked mark has no tag: a run leaves "<sel>" as it is.
        row("the mark has no tag", pupils, "<sel>", "{<sel>}");
        row("a field named with brackets", {"a<b>"}, "<a<b>> <b>", "[<a<b>>] {<b>}");
        // "<a>" begins "<a>b>": the longer tag is the one found there.
        row("a tag that begins another", {"a", "a>b"}, "<a>b> <a>", "[<a>b>] [<a>]");
        row("no tag across lines", pupils, "<a\nb>", "<a\nb>");
        row("an opening bracket alone", pupils, "a < b <<Classe>>", "a < b <[<Classe>]>");
        row("no fields", {}, "<Prénom> <#>", "{<Prénom>} [<#>]");
        // A head, a foot and an All in One name are filled without a record.
        row("without a record", pupils, "<Classe> <#> <YY>", "{<Classe>} {<#>} [<YY>]", {}, false);
    }

    void tagsAreFoundWhereTheyLie()
    {
        QFETCH(QStringList, fields);
        QFETCH(bool, withRecordTags);
        QFETCH(QString, text);
        QFETCH(QString, marked);
        QFETCH(QString, meant);
        Document doc;
        fill(doc, fields, {});
        const QStringList known = UnknownTags::knownTags(doc, withRecordTags);
        QString shown;
        QStringList unknown;
        qsizetype done = 0;
        for (const UnknownTags::Span& s : UnknownTags::spans(known, text)) {
            const QString tag = text.mid(s.start, s.length);
            shown += text.mid(done, s.start - done) + (s.known ? "[" + tag + "]" : "{" + tag + "}");
            done = s.start + s.length;
            if (!s.known && !unknown.contains(tag))
                unknown << tag;
        }
        QCOMPARE(shown + text.mid(done), marked);
        QCOMPARE(UnknownTags::inText(known, text), unknown);
        if (!unknown.isEmpty())
            QCOMPARE(UnknownTags::likelyMeant(known, unknown[0]).value_or(""), meant);
    }

    // Each Prototype's path and the templates its kind fills are looked at, each tag told once
    // per Prototype.
    void eachPrototypeIsLookedAtWhole()
    {
        Document doc;
        fill(doc, {"Name"}, {"<Nmae>/<Name>.txt", "text:<Nmae> and <Nmae>", "ok/<Name>"});
        doc.setPrototypeTemplate(doc.universalFilePrototypeArray()[0], TemplateKey::Foot,
                                 "<End>\n<Nmae>");
        doc.universalFilePrototypeArray()[2]->isMulti = true;
        const std::vector<UnknownTags::Found> found = UnknownTags::inDocument(doc);
        const std::vector<UnknownTags::Found> expected{
            {0, "<Nmae>"}, {0, "<Name>"}, {0, "<End>"}, {1, "<Nmae>"}};
        QCOMPARE(found, expected);
        // Renaming the field makes the old tags unknown.
        doc.renameField(2, "Nom");
        QCOMPARE(UnknownTags::inDocument(doc).size(), size_t(5));
    }

    // What a run writes as typed: the tags of a name and of the templates its Prototype's kind
    // fills, record tags counting only where a record fills them. The preview tells them per
    // item, the run's question per Prototype.
    void aRunKeepsTheTagsItsFillingLeaves_data()
    {
        QTest::addColumn<bool>("isMulti");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<QStringList>("texts"); // path, head, text, separator, foot
        QTest::addColumn<QStringList>("kept");
        const QStringList letter{"<Nom>/<Name>.txt", "<Top>", "<Name> <X>", "<Y2>", "<Z>"};
        const QStringList list{"<Name>.txt", "<Name> <YY>", "<Name> <Y2>", "<#>", "<#> <Z>"};
        QTest::newRow("One per Record file: its text only")
            << true << false << letter << QStringList{"<Nom>", "<X>"};
        QTest::newRow("All in One file: head and foot take no record")
            << false << false << list << QStringList{"<Name>", "<Y2>", "<#>", "<Z>"};
        QTest::newRow("One per Record folder: its name only")
            << true << true << letter << QStringList{"<Nom>"};
        // A class list's folder named "<Classe>" where no record fills it.
        QTest::newRow("All in One folder: its name only")
            << false << true << list << QStringList{"<Name>"};
    }

    void aRunKeepsTheTagsItsFillingLeaves()
    {
        QFETCH(bool, isMulti);
        QFETCH(bool, isFolder);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, kept);
        Document doc;
        fill(doc, {"Name"}, {"plain.txt", texts[0]});
        const PrototypePtr proto = doc.universalFilePrototypeArray()[1];
        proto->isMulti = isMulti;
        proto->isFolder = isFolder;
        proto->head = texts[1];
        proto->text = texts[2];
        proto->separator = texts[3];
        proto->foot = texts[4];
        QCOMPARE(UnknownTags::inItem(doc, {texts[0], isFolder, isMulti, 0}, proto.get()), kept);
        QStringList perPrototype;
        for (const UnknownTags::Found& f : UnknownTags::inDocument(doc)) {
            QCOMPARE(f.prototypeIndex, 1);
            perPrototype << f.tag;
        }
        QCOMPARE(perPrototype, kept);
    }
};

QTEST_GUILESS_MAIN(PrototypesTest)
#include "tst_prototypes.moc"
