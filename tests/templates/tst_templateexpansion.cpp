#include "support/caserows.h"
#include "support/testdata.h"
#include "templates/compiledfieldtemplate.h"
#include "templates/countertext.h"
#include "templates/stringutils.h"
#include "templates/tagsubstitution.h"

#include <QDateTime>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTest>

using namespace quillory;
using quillory::test::texts;

namespace {

// The case rows of tests/data/templates/<file>; null stands for none in them.
void addCaseRows(const char* file)
{
    test::addCaseRows(QStringLiteral("templates"), QString::fromLatin1(file));
}

std::optional<QString> textOrNone(const QJsonValue& v)
{
    return v.isNull() ? std::nullopt : std::optional(v.toString());
}

// n fields where each holds two tags of the next and the last holds "x": "<F0><F0>" expands
// to 2^n "x" (tags put in by a value are searched again by later tags).
struct Bomb
{
    QStringList tags;
    QStringList values;
    explicit Bomb(int n)
    {
        for (int i = 0; i < n; ++i)
            tags << QStringLiteral("<F%1>").arg(i);
        for (int i = 0; i < n; ++i)
            values << (i + 1 < n ? tags[i + 1] + tags[i + 1] : QStringLiteral("x"));
    }
    QString valueAt(qsizetype i) const { return values.at(i); }
};

using Helper =
    std::function<std::optional<QString>(const std::optional<QString>& in, const QJsonValue& arg)>;

// Each string helper by name, reading its input and, where it takes one, its argument.
const QHash<QString, Helper> helpers{
    {"trimLateralSpace", [](auto& s, auto&) { return StringUtils::trimLateralSpace(*s); }},
    {"removeInitialSpaces", [](auto& s, auto&) { return StringUtils::removeInitialSpaces(*s); }},
    {"padWithLeadingZeros",
     [](auto& s, auto& n) { return StringUtils::padWithLeadingZeros(*s, n.toInteger()); }},
};

} // namespace

class TemplateExpansionTest : public QObject
{
    Q_OBJECT

private slots:
    // Rows [name, template, tags, values, counter, expected]: expected is what the date tags
    // make of the field substitution, as a run applies them; null is none.
    void fieldsThenDates_data() { addCaseRows("fieldtags.json"); }
    void fieldsThenDates()
    {
        QFETCH(QJsonArray, row);
        const std::optional<QString> fields = TagSubstitution::substituteFieldTags(
            textOrNone(row[1]), texts(row[2]), texts(row[3]), row[4].toString());
        const QDateTime caseTime(QDate(2007, 3, 5), QTime(9, 4, 2));
        QCOMPARE(TagSubstitution::substituteStandardTags(fields, caseTime).value_or("(none)"),
                 row[5].toString("(none)"));
    }

    // Rows [name, time, template, expected].
    void dateTags_data() { addCaseRows("datetags.json"); }
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

    // Rows [name, counter, largest counter, [useLeading0, forceLeading0, forcedTotLen] or null
    // for the registered defaults, expected].
    void counterText_data() { addCaseRows("countertext.json"); }
    void counterText()
    {
        QFETCH(QJsonArray, row);
        const QJsonArray f = row[3].toArray();
        const CounterFormat format =
            row[3].isNull() ? CounterFormat{}
                            : CounterFormat{f[0].toBool(), f[1].toBool(), f[2].toInteger()};
        QCOMPARE(CounterText::format(row[1].toInteger(), row[2].toInteger(), format),
                 row[4].toString());
    }

    // Rows ["helper: case", input, expected] or ["helper: case", input, argument, expected].
    void stringHelpers_data() { addCaseRows("stringutils.json"); }
    void stringHelpers()
    {
        QFETCH(QJsonArray, row);
        const QString helper = row[0].toString().section(u':', 0, 0);
        QVERIFY2(helpers.contains(helper), qPrintable(helper));
        const QJsonValue arg = row.size() > 3 ? row[2] : QJsonValue();
        QCOMPARE(helpers[helper](textOrNone(row[1]), arg).value_or("(none)"),
                 row.last().toString("(none)"));
    }

    // Random templates and values over an alphabet full of tag pieces: the one-pass road must
    // never give another text than the field-by-field substitution, and must really be taken.
    void compiledTemplatesAgreeWithSubstitution()
    {
        QRandomGenerator rng(20261206);
        const QStringList pieces{"<", ">", "<A>", "<B>", "<#>", "<AB>", "A",
                                 "B", "#", "x",   "<<",  "<A",  "B>",   " "};
        const QStringList valuePieces{"v", "<", ">", "<B>", "<#>", "A", "B>", ""};
        const QList<QStringList> tagSets{
            {"<A>", "<B>"}, {"<A>", "<A>", "<B>"}, {"<B>", "<#>"}, {"<A>", "<AB>"}};
        const auto pick = [&rng](const QStringList& from, int low, int high) {
            QString s;
            for (int n = rng.bounded(low, high); n > 0; --n)
                s += from[rng.bounded(int(from.size()))];
            return s;
        };
        int compiledCount = 0;
        for (int round = 0; round < 20000; ++round) {
            const QStringList& tags = tagSets[rng.bounded(int(tagSets.size()))];
            const QString tmpl = pick(pieces, 1, 8);
            const QStringList values{pick(valuePieces, 0, 3), pick(valuePieces, 0, 3),
                                     pick(valuePieces, 0, 3)};
            const auto valueAt = [&](qsizetype i) { return values.value(i); };
            const auto counter = [] { return QStringLiteral("7"); };
            const CompiledFieldTemplate compiled(tmpl, tags);
            compiledCount += compiled.isCompiled();
            // The inputs lead both texts so that a failure shows them.
            const QString in = tmpl + " [" + values.join(u'|') + "] [" + tags.join(u'|') + "] ";
            QCOMPARE(in + compiled.apply(valueAt, counter).value_or("(none)"),
                     in + TagSubstitution::substituteFieldTags(tmpl, tags, valueAt, counter)
                              .value_or("(none)"));
        }
        QVERIFY(compiledCount > 5000);
    }

    void replaceAllIsExactAndBounded_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("value");
        QTest::addColumn<qsizetype>("limit");
        QTest::addColumn<QString>("expected"); // null: refused, text unchanged
        const auto row = [](const char* name, const char* text, const char* tag, const char* value,
                            qsizetype limit, const QString& expected) {
            QTest::newRow(name) << QString(text) << QString(tag) << QString(value) << limit
                                << expected;
        };
        row("every one", "<A>-<A><A>", "<A>", "xy", 10, "xy-xyxy");
        row("value holds the tag", "<A>", "<A>", "<A><A>", 10, "<A><A>");
        row("overlapping matches, left first", "aaaa", "aa", "b", 9, "bb");
        row("exactly at the limit", "<A><A>", "<A>", "xyz", 6, "xyzxyz");
        row("one past the limit", "<A><A>", "<A>", "xyzw", 7, QString());
        row("shrinking past a small limit", "<A><A>", "<A>", "", 0, "");
        row("empty tag", "abc", "", "x", 10, "abc");
    }
    void replaceAllIsExactAndBounded()
    {
        QFETCH(QString, text);
        QFETCH(QString, tag);
        QFETCH(QString, value);
        QFETCH(qsizetype, limit);
        QFETCH(QString, expected);
        QString w = text;
        const bool done = TagSubstitution::replaceAll(w, tag, value, limit);
        QCOMPARE(done, !expected.isNull());
        QCOMPARE(w, expected.isNull() ? text : expected);
        // The same as Qt's own replacement wherever that is within the limit (Qt puts a value
        // between every two characters for an empty tag, which substitution never asks for).
        if (done && !tag.isEmpty())
            QCOMPARE(w, QString(text).replace(tag, value));
    }

    // Field bombs, and the one-pass road of a prepared template (values without "<"), are
    // refused past the bound; below it both give the whole text.
    void expansionsAreBounded_data()
    {
        QTest::addColumn<int>("fields"); // a bomb of that many fields; 0: copies x valueLength
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("valueLength");
        QTest::addColumn<qsizetype>("length"); // -1: too large
        QTest::newRow("bomb, 2^22 characters") << 22 << 0 << 0 << (qsizetype(1) << 22);
        // The texts on the way count too: here 2^24 tags of 5 characters before the last step.
        QTest::newRow("bomb, 2^25 characters, 80 Mi on the way") << 25 << 0 << 0 << qsizetype(-1);
        QTest::newRow("bomb, 2^40 characters") << 40 << 0 << 0 << qsizetype(-1);
        QTest::newRow("prepared, 1,000 x 1,000") << 0 << 1000 << 1000 << qsizetype(1000000);
        QTest::newRow("prepared, 33,000 x 1,024") << 0 << 33000 << 1024 << qsizetype(-1);
    }
    void expansionsAreBounded()
    {
        QFETCH(int, fields);
        QFETCH(int, copies);
        QFETCH(int, valueLength);
        QFETCH(qsizetype, length);
        const Bomb bomb(fields);
        const QString tmpl =
            fields ? QStringLiteral("<F0><F0>") : QStringLiteral("<Name>").repeated(copies);
        const QStringList tags = fields ? bomb.tags : QStringList{"<Name>"};
        const auto valueAt = [&](qsizetype i) {
            return fields ? bomb.valueAt(i) : QString(valueLength, u'v');
        };
        const auto counter = [] { return QString(); };
        const CompiledFieldTemplate prepared(tmpl, tags);
        QVERIFY(fields || prepared.isCompiled());
        const ExpandedText out = TagSubstitution::expandFieldTags(tmpl, tags, valueAt, counter);
        const ExpandedText viaPrepared = prepared.expand(valueAt, counter);
        QCOMPARE(out.tooLarge, length < 0);
        QCOMPARE(viaPrepared.tooLarge, length < 0);
        QCOMPARE(viaPrepared.text, out.text);
        QCOMPARE(TagSubstitution::substituteFieldTags(tmpl, tags, valueAt, counter).has_value(),
                 length >= 0);
        if (length >= 0)
            QCOMPARE(out.text->size(), length);
    }
};

QTEST_APPLESS_MAIN(TemplateExpansionTest)
#include "tst_templateexpansion.moc"
