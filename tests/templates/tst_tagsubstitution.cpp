#include "casefile.h"
#include "templates/tagsubstitution.h"

using namespace quillory;

class TestTagSubstitution : public QObject
{
    Q_OBJECT

private slots:
    // Rows [name, template, tags, values, counter, expected]: expected is what the date tags
    // make of the field substitution, as a run applies them; null is none.
    void fieldsThenDates_data() { addCaseRows(QStringLiteral("fieldtags.json")); }
    void fieldsThenDates()
    {
        QFETCH(QJsonArray, row);
        const std::optional<QString> fields = TagSubstitution::substituteFieldTags(
            textOrNone(row[1]), texts(row[2]), texts(row[3]), row[4].toString());
        QCOMPARE(TagSubstitution::substituteStandardTags(fields, caseTime).value_or("(none)"),
                 row[5].toString("(none)"));
    }

    // Rows [name, time, template, expected].
    void dateTags_data() { addCaseRows(QStringLiteral("datetags.json")); }
    void dateTags()
    {
        QFETCH(QJsonArray, row);
        const QDateTime now = QDateTime::fromString(row[1].toString(), Qt::ISODate);
        const std::optional<QString> tmpl = textOrNone(row[2]);
        QCOMPARE(TagSubstitution::substituteStandardTags(tmpl, now).value_or("(none)"),
                 row[3].toString());
        QCOMPARE(
            TagSubstitution::substituteStandardTags(tmpl, [&] { return now; }).value_or("(none)"),
            row[3].toString());
    }
};

QTEST_APPLESS_MAIN(TestTagSubstitution)
#include "tst_tagsubstitution.moc"
