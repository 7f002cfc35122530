#include "casefile.h"
#include "templates/stringutils.h"

using namespace quillory;

namespace {

using Helper =
    std::function<std::optional<QString>(const std::optional<QString>& in, const QJsonValue& arg)>;

// Each helper by name, reading its input and, where it takes one, its argument.
const QHash<QString, Helper> helpers{
    {"trimLateralSpace", [](auto& s, auto&) { return StringUtils::trimLateralSpace(*s); }},
    {"removeInitialSpaces", [](auto& s, auto&) { return StringUtils::removeInitialSpaces(*s); }},
    {"padWithLeadingZeros",
     [](auto& s, auto& n) { return StringUtils::padWithLeadingZeros(*s, n.toInteger()); }},
};

} // namespace

class TestStringUtils : public QObject
{
    Q_OBJECT

private slots:
    // Rows ["helper: case", input, expected] or ["helper: case", input, argument, expected].
    void helpersGiveTheCaseResults_data() { addCaseRows(QStringLiteral("stringutils.json")); }
    void helpersGiveTheCaseResults()
    {
        QFETCH(QJsonArray, row);
        const QString helper = row[0].toString().section(u':', 0, 0);
        QVERIFY2(helpers.contains(helper), qPrintable(helper));
        const QJsonValue arg = row.size() > 3 ? row[2] : QJsonValue();
        QCOMPARE(helpers[helper](textOrNone(row[1]), arg).value_or("(none)"),
                 row.last().toString("(none)"));
    }
};

QTEST_APPLESS_MAIN(TestStringUtils)
#include "tst_stringutils.moc"
