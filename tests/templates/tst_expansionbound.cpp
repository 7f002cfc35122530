#include "templates/compiledfieldtemplate.h"
#include "templates/tagsubstitution.h"

#include <QTest>

using namespace quillory;

namespace {

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
    ExpandedText expand(const QString& tmpl) const
    {
        return TagSubstitution::expandFieldTags(
            tmpl, tags, [this](qsizetype i) { return values.at(i); },
            [] { return QStringLiteral("7"); });
    }
};

} // namespace

class TestExpansionBound : public QObject
{
    Q_OBJECT

private slots:
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

    void fieldBombsAreRefusedPastTheBound_data()
    {
        QTest::addColumn<int>("fields");
        QTest::addColumn<bool>("tooLarge");
        QTest::newRow("2^22 characters") << 22 << false;
        // The texts on the way count too: here 2^24 tags of 5 characters before the last step.
        QTest::newRow("2^25 characters, 80 Mi on the way") << 25 << true;
        QTest::newRow("2^40 characters") << 40 << true;
    }
    void fieldBombsAreRefusedPastTheBound()
    {
        QFETCH(int, fields);
        QFETCH(bool, tooLarge);
        const Bomb bomb(fields);
        const ExpandedText out = bomb.expand(QStringLiteral("<F0><F0>"));
        QCOMPARE(out.tooLarge, tooLarge);
        if (tooLarge) {
            QVERIFY(!out.text);
            QVERIFY(!TagSubstitution::substituteFieldTags(
                QStringLiteral("<F0><F0>"), bomb.tags,
                [&](qsizetype i) { return bomb.values.at(i); }, [] { return QString(); }));
            return;
        }
        QVERIFY(out.text);
        QCOMPARE(out.text->count(u'x'), qsizetype(1) << fields);
        // The prepared template falls back to the same substitution, with the same bound.
        const CompiledFieldTemplate prepared(QStringLiteral("<F0><F0>"), bomb.tags);
        QCOMPARE(
            prepared
                .expand([&](qsizetype i) { return bomb.values.at(i); }, [] { return QString(); })
                .text,
            out.text);
    }

    void preparedTemplatesAreBoundedToo_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("valueLength");
        QTest::addColumn<bool>("tooLarge");
        QTest::newRow("1,000 x 1,000") << 1000 << 1000 << false;
        QTest::newRow("33,000 x 1,024") << 33000 << 1024 << true;
    }
    void preparedTemplatesAreBoundedToo()
    {
        QFETCH(int, copies);
        QFETCH(int, valueLength);
        QFETCH(bool, tooLarge);
        // Values without "<" take the one-pass road: the bound must hold there as well.
        const QString tmpl = QStringLiteral("<Name>").repeated(copies);
        const CompiledFieldTemplate prepared(tmpl, {QStringLiteral("<Name>")});
        QVERIFY(prepared.isCompiled());
        const ExpandedText out = prepared.expand(
            [&](qsizetype) { return QString(valueLength, u'v'); }, [] { return QString(); });
        QCOMPARE(out.tooLarge, tooLarge);
        QCOMPARE(out.text.has_value(), !tooLarge);
        if (!tooLarge)
            QCOMPARE(out.text->size(), qsizetype(copies) * valueLength);
    }
};

QTEST_APPLESS_MAIN(TestExpansionBound)
#include "tst_expansionbound.moc"
