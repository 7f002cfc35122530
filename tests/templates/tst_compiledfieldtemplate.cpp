#include "templates/compiledfieldtemplate.h"
#include "templates/tagsubstitution.h"

#include <QRandomGenerator>
#include <QTest>

using namespace quillory;

class TestCompiledFieldTemplate : public QObject
{
    Q_OBJECT

private slots:
    // Random templates and values over an alphabet full of tag pieces: the one-pass road must
    // never give another text than the field-by-field substitution, and must really be taken.
    void randomTemplatesAgree()
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
};

QTEST_APPLESS_MAIN(TestCompiledFieldTemplate)
#include "tst_compiledfieldtemplate.moc"
