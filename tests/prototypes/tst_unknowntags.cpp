#include "core/document.h"
#include "prototypes/unknowntags.h"

#include <QtTest>

using namespace quillory;

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
    void tagsThatMatchNothingAreFound_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("unknown");
        const QStringList pupils{"Prénom", "Classe"};
        QTest::newRow("all known")
            << pupils << "<Classe>/<Prénom> <#> <YY>-<M>-<D> <h><m><s> <Y>" << QStringList{};
        QTest::newRow("accent missing") << pupils << "<Prenom>.txt" << QStringList{"<Prenom>"};
        QTest::newRow("trailing space") << pupils << "<Classe >/" << QStringList{"<Classe >"};
        QTest::newRow("once per text") << pupils << "<x> <x> <y>" << QStringList{"<x>", "<y>"};
        QTest::newRow("case counts")
            << pupils << "<classe> <yy>" << QStringList{"<classe>", "<yy>"};
        // The checked mark has no tag: a run leaves "<sel>" as it is.
        QTest::newRow("the mark has no tag") << pupils << "<sel>" << QStringList{"<sel>"};
        QTest::newRow("a field named with brackets")
            << QStringList{"a<b>"} << "<a<b>> <b>" << QStringList{"<b>"};
        // "<Name>" must not leave "<Name" of "<Name2>" behind, nor the other way round.
        QTest::newRow("longer names first")
            << QStringList{"Name", "Name2"} << "<Name2><Name>" << QStringList{};
        QTest::newRow("no tag across lines") << pupils << "<a\nb>" << QStringList{};
        QTest::newRow("no fields") << QStringList{} << "<Prénom> <#>" << QStringList{"<Prénom>"};
    }

    void tagsThatMatchNothingAreFound()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, text);
        QFETCH(QStringList, unknown);
        Document doc;
        fill(doc, fields, {});
        QCOMPARE(UnknownTags::inText(UnknownTags::knownTags(doc), text), unknown);
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
};

QTEST_GUILESS_MAIN(TestUnknownTags)
#include "tst_unknowntags.moc"
