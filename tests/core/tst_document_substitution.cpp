#include "casefile.h"
#include "core/substitutioncontext.h"
#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;
using namespace quillory::test;

class DocumentSubstitutionTest : public QObject
{
    Q_OBJECT
private slots:
    // Rows: name, fields, values of a record with counter 7 (null: no record), template, the
    // field then standard substitution (null: none). The largest counter is 120.
    void fieldThenStandardTags_data() { addCaseRows("substitution.json"); }
    void fieldThenStandardTags()
    {
        QFETCH(QJsonArray, row);
        Document doc;
        doc.setClock([] { return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2)); });
        fillDocument(doc, row[1].toVariant().toStringList(), {});
        addRecord(doc, 120, {});
        const Record r =
            row[2].isNull() ? Record() : addRecord(doc, 7, row[2].toVariant().toStringList());
        const QString tmpl = row[3].toString();
        const SubstitutionContext context = SubstitutionContext::fromDocument(doc);
        const auto result = context.standardTags(context.fieldTags(tmpl, r));
        QCOMPARE(result ? QJsonValue(*result) : QJsonValue(), row[4]);
        const auto both = context.bothTags(tmpl, r);
        QCOMPARE(both ? QJsonValue(*both) : QJsonValue(), row[4]);
    }

    // Rows: name, [useLeading0, forceLeading0, forcedTotLen] or null for the registered
    // defaults, the text of counter 7 when the largest is 120.
    void counterTextFollowsTheDefaults_data() { addCaseRows("countertext.json"); }
    void counterTextFollowsTheDefaults()
    {
        QFETCH(QJsonArray, row);
        MemoryUserDefaults defaults;
        const QJsonArray format = row[1].toArray();
        if (!format.isEmpty()) {
            defaults.setValue("useLeading0ForField1", format[0].toBool());
            defaults.setValue("forceLeading0ForField1", format[1].toBool());
            defaults.setValue("forcedTotLenField1", format[2].toInteger());
        }
        Document doc(&defaults);
        fillDocument(doc, {}, {});
        addRecord(doc, 120, {});
        const Record r = addRecord(doc, 7, {});
        QCOMPARE(doc.counterText(7), row[2].toString());
        QCOMPARE(SubstitutionContext::fromDocument(doc).fieldTags(QStringLiteral("<#>"), r),
                 row[2].toString());
    }

    void theClockIsReadOncePerTextHoldingADateTag()
    {
        Document doc;
        int reads = 0;
        doc.setClock([&reads] {
            ++reads;
            return QDateTime(QDate(2007, 3, 5), QTime(23, 59, 59));
        });
        const SubstitutionContext context = SubstitutionContext::fromDocument(doc);
        QCOMPARE(context.standardTags(QStringLiteral("<N> <x>")), QStringLiteral("<N> <x>"));
        QCOMPARE(reads, 0);
        // One reading serves every tag of a text, so that a text never mixes two seconds.
        QCOMPARE(context.standardTags(QStringLiteral("<h>:<m>:<s> <D>")),
                 QStringLiteral("23:59:59 05"));
        QCOMPARE(reads, 1);
    }
};

QTEST_GUILESS_MAIN(DocumentSubstitutionTest)
#include "tst_document_substitution.moc"
