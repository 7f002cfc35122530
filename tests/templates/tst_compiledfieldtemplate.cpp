#include "templates/compiledfieldtemplate.h"
#include "templates/tagsubstitution.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace quillory;

class CompiledFieldTemplateTest : public QObject
{
    Q_OBJECT
private:
    static std::optional<QString> both(const CompiledFieldTemplate& compiled,
                                       const QStringList& tags, const QStringList& values,
                                       const QString& counter, std::optional<QString>* reference)
    {
        const auto valueAt = [&](qsizetype i) { return values.value(i); };
        const auto counterText = [&] { return counter; };
        *reference =
            TagSubstitution::substituteFieldTags(compiled.source(), tags, valueAt, counterText);
        return compiled.apply(valueAt, counterText);
    }

private slots:
    void typicalTemplatesTakeTheOnePassRoad()
    {
        const QStringList tags{"<Name>", "<City>"};
        for (const QString& t : {QStringLiteral("<Name>_<#>/card.txt"),
                                 QStringLiteral("Dear <Name> of <City>, <YY>-<M> <sel> <unknown>"),
                                 QStringLiteral("a < b > c <Name>"), QStringLiteral("no tags")})
            QVERIFY2(CompiledFieldTemplate(t, tags).isCompiled(), qPrintable(t));
        // A "<" left open before a tag could be completed by the value put in there.
        QVERIFY(!CompiledFieldTemplate(QStringLiteral("<<Name>ity>"), tags).isCompiled());
        // Tag names holding "<" or ">" make occurrences overlap.
        QVERIFY(!CompiledFieldTemplate(QStringLiteral("<a>b>"), {"<a>b>", "<a>"}).isCompiled());
        QVERIFY(!CompiledFieldTemplate(std::nullopt, tags)
                     .apply([](qsizetype) { return QString(); }, [] { return QString(); }));
    }

    void givesWhatTheFieldByFieldSubstitutionGives_data()
    {
        QTest::addColumn<QString>("tmpl");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("plain") << "<A>-<B>-<#>" << QStringList{"x", "y", "z"};
        QTest::newRow("open before tag") << "<<A>ame>" << QStringList{"N", "", ""};
        QTest::newRow("value with later tag") << "<A>|<B>" << QStringList{"[<B>]", "(<A>)", ""};
        QTest::newRow("value with counter") << "<A>" << QStringList{"n<#>", "", ""};
        QTest::newRow("duplicate names") << "<A><A>" << QStringList{"1", "2", "3"};
        QTest::newRow("field named hash") << "<#>" << QStringList{"", "", "h"};
    }
    void givesWhatTheFieldByFieldSubstitutionGives()
    {
        QFETCH(QString, tmpl);
        QFETCH(QStringList, values);
        const QStringList tags{"<A>", "<B>",
                               QTest::currentDataTag() == QByteArray("field named hash") ? "<#>"
                                                                                         : "<A>"};
        std::optional<QString> reference;
        const CompiledFieldTemplate compiled(tmpl, tags);
        QCOMPARE(both(compiled, tags, values, QStringLiteral("007"), &reference), reference);
    }

    // Random templates and values over a small alphabet full of tag pieces: the one-pass road
    // must never give another text than the field-by-field substitution.
    void randomTemplatesAgree()
    {
        QRandomGenerator rng(20261206);
        const QStringList pieces{"<", ">", "<A>", "<B>", "<#>", "<AB>", "A",
                                 "B", "#", "x",   "<<",  "<A",  "B>",   " "};
        const QStringList valuePieces{"v", "<", ">", "<B>", "<#>", "A", "B>", ""};
        const QList<QStringList> tagSets{
            {"<A>", "<B>"}, {"<A>", "<A>", "<B>"}, {"<B>", "<#>"}, {"<A>", "<AB>"}};
        int compiledCount = 0;
        for (int round = 0; round < 20000; ++round) {
            const QStringList& tags = tagSets[rng.bounded(int(tagSets.size()))];
            QString tmpl;
            for (int n = rng.bounded(1, 8); n > 0; --n)
                tmpl += pieces[rng.bounded(int(pieces.size()))];
            QStringList values;
            for (qsizetype i = 0; i < tags.size(); ++i) {
                QString v;
                for (int n = rng.bounded(0, 3); n > 0; --n)
                    v += valuePieces[rng.bounded(int(valuePieces.size()))];
                values << v;
            }
            const CompiledFieldTemplate compiled(tmpl, tags);
            compiledCount += compiled.isCompiled();
            std::optional<QString> reference;
            const std::optional<QString> got =
                both(compiled, tags, values, QStringLiteral("7"), &reference);
            if (got != reference)
                QFAIL(qPrintable(
                    QStringLiteral("template '%1' values [%2] tags [%3]: got '%4', want '%5'")
                        .arg(tmpl, values.join(u'|'), tags.join(u'|'), got.value_or("(none)"),
                             reference.value_or("(none)"))));
        }
        QVERIFY(compiledCount > 5000); // the fast road was really taken
    }
};

QTEST_APPLESS_MAIN(CompiledFieldTemplateTest)
#include "tst_compiledfieldtemplate.moc"
