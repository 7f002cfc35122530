#include "testhelpers.h"

#include <QtTest>

using namespace quillory;
using namespace quillory::test;

class DocumentSubstitutionTest : public QObject
{
    Q_OBJECT
private:
    static std::optional<QString> both(const Document& doc, const QString& tmpl, const Record& r)
    {
        return doc.performTextSubstitutionWithStandardTags(
            doc.performTextSubstitutionWithFieldTags(tmpl, r));
    }

private slots:
    void fieldOrderDecidesWhatIsExpanded()
    {
        Document doc;
        doc.setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        doc.windowControllerDidLoadNib();
        addFields(doc, {"A", "B"});
        doc.setMaxNumInDbField1(120);
        // A's value holds B's tag (B comes later: expanded); B's value holds A's tag (A came
        // earlier: left as it is).
        const Record r = addRecord(doc, 7, {"[<B>]", "(<A>)"});
        QCOMPARE(doc.performTextSubstitutionWithFieldTags(QStringLiteral("<A>|<B>"), r),
                 QStringLiteral("[(<A>)]|(<A>)"));
        const Record counterInValue = addRecord(doc, 7, {"n<#>", ""});
        QCOMPARE(doc.performTextSubstitutionWithFieldTags(QStringLiteral("<A>"), counterInValue),
                 QStringLiteral("n007"));
        const Record dateInValue = addRecord(doc, 7, {"<YY>", ""});
        QCOMPARE(both(doc, QStringLiteral("<A>"), dateInValue), QStringLiteral("2007"));

        // Two fields with one name: the earlier supplies the value.
        Document dup;
        dup.windowControllerDidLoadNib();
        addFields(dup, {"Name", "Name"});
        const Record d = addRecord(dup, 1, {"first", "second"});
        QCOMPARE(dup.performTextSubstitutionWithFieldTags(QStringLiteral("<Name>"), d),
                 QStringLiteral("first"));
    }

    void aFieldNamedHashWinsOverTheCounter()
    {
        Document doc;
        doc.windowControllerDidLoadNib();
        addFields(doc, {"#", "sel"});
        const Record r = addRecord(doc, 3, {"hash", "mark"});
        QCOMPARE(doc.performTextSubstitutionWithFieldTags(QStringLiteral("<#>/<sel>"), r),
                 QStringLiteral("hash/mark"));
    }

    void noneAndEmptyAndMissingRecord()
    {
        Document doc;
        doc.windowControllerDidLoadNib();
        addFields(doc, {"Name"});
        const Record empty = addRecord(doc, 1, {""});
        QVERIFY(!doc.performTextSubstitutionWithFieldTags(QString(), empty));
        QVERIFY(!doc.performTextSubstitutionWithFieldTags(std::nullopt, empty));
        QVERIFY(!doc.performTextSubstitutionWithStandardTags(QString()));
        // Only a field tag with an empty value: "" from the field pass, none from the standard.
        QCOMPARE(doc.performTextSubstitutionWithFieldTags(QStringLiteral("<Name>"), empty),
                 QString(""));
        QVERIFY(!both(doc, QStringLiteral("<Name>"), empty));
        QCOMPARE(
            doc.performTextSubstitutionWithFieldTags(QStringLiteral("a<Name>b<#>c<sel>"), Record()),
            QStringLiteral("abc<sel>"));
        QCOMPARE(doc.performTextSubstitutionWithFieldTags(QStringLiteral("<name>< Name>"), empty),
                 QStringLiteral("<name>< Name>"));
    }
};

QTEST_GUILESS_MAIN(DocumentSubstitutionTest)
#include "test_document_substitution.moc"
