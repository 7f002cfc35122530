#include "core/document.h"
#include "prototypes/unknowntags.h"

#include <QtTest>

using namespace quillory;

Q_DECLARE_METATYPE(GeneratedItem)

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

class TestUnknownTags : public QObject
{
    Q_OBJECT
private slots:
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

    // Each Prototype's path and templates are looked at, each tag told once per Prototype.
    void eachPrototypeIsLookedAtWhole()
    {
        Document doc;
        fill(doc, {"Name"}, {"<Nmae>/<Name>.txt", "text:<Nmae> and <Nmae>", "ok/<Name>"});
        doc.setPrototypeTemplate(doc.universalFilePrototypeArray()[0], TemplateKey::Foot,
                                 "<End>\n<Nmae>");
        const std::vector<UnknownTags::Found> found = UnknownTags::inDocument(doc);
        const std::vector<UnknownTags::Found> expected{{0, "<Nmae>"}, {0, "<End>"}, {1, "<Nmae>"}};
        QCOMPARE(found, expected);
        // Renaming the field makes the old tags unknown.
        doc.renameField(2, "Nom");
        QCOMPARE(UnknownTags::inDocument(doc).size(), size_t(5));
    }

    // What a preview of an item shows as typed: its name's tags and those of the templates its
    // Prototype's kind fills, record tags counting only where a record fills them.
    void anItemKeepsTheTagsItsFillingLeaves_data()
    {
        QTest::addColumn<GeneratedItem>("item");
        QTest::addColumn<QStringList>("templates"); // head, text, separator, foot
        QTest::addColumn<QStringList>("kept");
        const QStringList letter{"<Top>", "<Name> <X>", "<Y2>", "<Z>"};
        QTest::newRow("One per Record file: its text only")
            << GeneratedItem{"<Nom>/<Name>.txt", false, true, 0} << letter
            << QStringList{"<Nom>", "<X>"};
        QTest::newRow("All in One file: head and foot take no record")
            << GeneratedItem{"<Name>.txt", false, false, 0}
            << QStringList{"<Name> <YY>", "<Name> <Y2>", "<#>", "<#> <Z>"}
            << QStringList{"<Name>", "<Y2>", "<#>", "<Z>"};
        QTest::newRow("a folder: its name only")
            << GeneratedItem{"<Nom>", true, true, 0} << letter << QStringList{"<Nom>"};
    }

    void anItemKeepsTheTagsItsFillingLeaves()
    {
        QFETCH(GeneratedItem, item);
        QFETCH(QStringList, templates);
        QFETCH(QStringList, kept);
        Document doc;
        fill(doc, {"Name"}, {});
        Prototype proto;
        proto.isMulti = item.isMulti;
        proto.head = templates[0];
        proto.text = templates[1];
        proto.separator = templates[2];
        proto.foot = templates[3];
        QCOMPARE(UnknownTags::inItem(doc, item, &proto), kept);
    }
};

QTEST_GUILESS_MAIN(TestUnknownTags)
#include "tst_unknowntags.moc"
