#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;
using namespace quillory::test;

class DocumentSubstitutionTest : public QObject
{
    Q_OBJECT
private:
    static std::optional<QString> both(const Document& doc, const QString& tmpl, const Record& r)
    {
        return doc.substituteStandardTags(
            doc.substituteFieldTags(tmpl, r));
    }

private slots:
    void fieldOrderDecidesWhatIsExpanded()
    {
        Document doc;
        doc.setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        doc.prepareOpened();
        addFields(doc, {"A", "B"});
        doc.setLargestCounter(120);
        // A's value holds B's tag (B comes later: expanded); B's value holds A's tag (A came
        // earlier: left as it is).
        const Record r = addRecord(doc, 7, {"[<B>]", "(<A>)"});
        QCOMPARE(doc.substituteFieldTags(QStringLiteral("<A>|<B>"), r),
                 QStringLiteral("[(<A>)]|(<A>)"));
        const Record counterInValue = addRecord(doc, 7, {"n<#>", ""});
        QCOMPARE(doc.substituteFieldTags(QStringLiteral("<A>"), counterInValue),
                 QStringLiteral("n007"));
        const Record dateInValue = addRecord(doc, 7, {"<YY>", ""});
        QCOMPARE(both(doc, QStringLiteral("<A>"), dateInValue), QStringLiteral("2007"));

        // Two fields with one name: the earlier supplies the value.
        Document dup;
        dup.prepareOpened();
        addFields(dup, {"Name", "Name"});
        const Record d = addRecord(dup, 1, {"first", "second"});
        QCOMPARE(dup.substituteFieldTags(QStringLiteral("<Name>"), d),
                 QStringLiteral("first"));
    }

    void aFieldNamedHashWinsOverTheCounter()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"#", "sel"});
        const Record r = addRecord(doc, 3, {"hash", "mark"});
        QCOMPARE(doc.substituteFieldTags(QStringLiteral("<#>/<sel>"), r),
                 QStringLiteral("hash/mark"));
    }

    void theClockIsReadOncePerTextHoldingADateTag()
    {
        Document doc;
        int reads = 0;
        doc.setClock([&reads] {
            ++reads;
            return QDateTime(QDate(2007, 3, 5), QTime(23, 59, 59));
        });
        QCOMPARE(doc.substituteStandardTags(QStringLiteral("<Name> <x>")),
                 QStringLiteral("<Name> <x>"));
        QCOMPARE(reads, 0);
        // One reading serves every tag of a text, so a text never mixes two seconds.
        QCOMPARE(doc.substituteStandardTags(QStringLiteral("<h>:<m>:<s> <D>")),
                 QStringLiteral("23:59:59 05"));
        QCOMPARE(reads, 1);
    }

    void noneAndEmptyAndMissingRecord()
    {
        Document doc;
        doc.prepareOpened();
        addFields(doc, {"Name"});
        const Record empty = addRecord(doc, 1, {""});
        QVERIFY(!doc.substituteFieldTags(QString(), empty));
        QVERIFY(!doc.substituteFieldTags(std::nullopt, empty));
        QVERIFY(!doc.substituteStandardTags(QString()));
        // Only a field tag with an empty value: "" from the field pass, none from the standard.
        QCOMPARE(doc.substituteFieldTags(QStringLiteral("<Name>"), empty),
                 QString(""));
        QVERIFY(!both(doc, QStringLiteral("<Name>"), empty));
        QCOMPARE(
            doc.substituteFieldTags(QStringLiteral("a<Name>b<#>c<sel>"), Record()),
            QStringLiteral("abc<sel>"));
        QCOMPARE(doc.substituteFieldTags(QStringLiteral("<name>< Name>"), empty),
                 QStringLiteral("<name>< Name>"));
    }
};

QTEST_GUILESS_MAIN(DocumentSubstitutionTest)
#include "tst_document_substitution.moc"
