#include "templates/tagsubstitution.h"

#include <QTest>

using namespace quillory;

namespace {

// 5 March 2007 at 09:04:02.
QDateTime fixedNow()
{
    return QDateTime(QDate(2007, 3, 5), QTime(9, 4, 2));
}

std::optional<QString> fields(const QString& tmpl, const QStringList& tags,
                              const QStringList& values, const QString& counter = QString())
{
    return TagSubstitution::substituteFieldTags(tmpl, tags, values, counter);
}

} // namespace

class TestTagSubstitution : public QObject
{
    Q_OBJECT

private slots:
    void emptyOrNoneTemplateGivesNone();
    void fieldTagsAreReplacedExactly_data();
    void fieldTagsAreReplacedExactly();
    void duplicateFieldNamesTakeTheFirstValue();
    void userFieldNamedHashIsReplacedBeforeTheCounter();
    void valueHoldingATagIsExpandedOnlyByLaterFields();
    void valueHoldingTheCounterTagGetsTheCounter();
    void insertedTextIsNotSearchedAgainForTheSameTag();
    void noRecordBlanksEveryFieldTag();
    void emptyTagMatchesNothing();
    void valueOnlyTemplateWithEmptyValueThenStandardGivesNone();
    void standardTagsUseTheGivenTime_data();
    void standardTagsUseTheGivenTime();
    void standardReplacementsDoNotFormNewTags();
    void dateTagInAValueIsExpandedByTheStandardPass();
    void elaboratedTagsHaveTheirOwnSpelling_data();
    void elaboratedTagsHaveTheirOwnSpelling();
};

void TestTagSubstitution::emptyOrNoneTemplateGivesNone()
{
    const QStringList tags{QStringLiteral("<Name>")};
    const QStringList values{QStringLiteral("x")};
    QVERIFY(!TagSubstitution::substituteFieldTags(std::nullopt, tags, values, "1"));
    QVERIFY(!TagSubstitution::substituteFieldTags(QString(), tags, values, "1"));
    QVERIFY(!TagSubstitution::substituteFieldTags(QStringLiteral(""), tags, values, "1"));
    QVERIFY(!TagSubstitution::substituteStandardTags(std::nullopt, fixedNow()));
    QVERIFY(!TagSubstitution::substituteStandardTags(QStringLiteral(""), fixedNow()));
    QCOMPARE(fields(QStringLiteral("abc"), tags, values), QStringLiteral("abc"));
    QCOMPARE(TagSubstitution::substituteStandardTags(QStringLiteral("abc"), fixedNow()),
             QStringLiteral("abc"));
}

void TestTagSubstitution::fieldTagsAreReplacedExactly_data()
{
    QTest::addColumn<QString>("tmpl");
    QTest::addColumn<QString>("out");
    QTest::newRow("every occurrence") << "<Name>/<Name>.txt"
                                      << "Ann/Ann.txt";
    QTest::newRow("case and spaces matter") << "<Name>,<name>,< Name>,<Name >"
                                            << "Ann,<name>,< Name>,<Name >";
    QTest::newRow("several fields") << "<City>-<Name>-<#>"
                                    << "Rome-Ann-007";
    QTest::newRow("unknown tags copied") << "<sel><Zip><>"
                                         << "<sel><Zip><>";
    QTest::newRow("adjacent") << "<Name><Name><City>"
                              << "AnnAnnRome";
    QTest::newRow("unbalanced brackets") << "<<Name>>"
                                         << "<Ann>";
}

void TestTagSubstitution::fieldTagsAreReplacedExactly()
{
    QFETCH(QString, tmpl);
    QFETCH(QString, out);
    const QStringList tags{QStringLiteral("<Name>"), QStringLiteral("<City>")};
    const QStringList values{QStringLiteral("Ann"), QStringLiteral("Rome")};
    QCOMPARE(fields(tmpl, tags, values, QStringLiteral("007")), out);
}

void TestTagSubstitution::duplicateFieldNamesTakeTheFirstValue()
{
    const QStringList tags{QStringLiteral("<A>"), QStringLiteral("<A>")};
    QCOMPARE(
        fields(QStringLiteral("<A>|<A>"), tags, {QStringLiteral("one"), QStringLiteral("two")}),
        QStringLiteral("one|one"));
    // The later namesake still searches the whole text: a tag that a field between the two
    // brought back in gets the later value.
    const QStringList three{QStringLiteral("<A>"), QStringLiteral("<B>"), QStringLiteral("<A>")};
    QCOMPARE(fields(QStringLiteral("<A>|<B>"), three,
                    {QStringLiteral("[<B>]"), QStringLiteral("(<A>)"), QStringLiteral("second")}),
             QStringLiteral("[(second)]|(second)"));
}

void TestTagSubstitution::userFieldNamedHashIsReplacedBeforeTheCounter()
{
    QCOMPARE(fields(QStringLiteral("<#>"), {QStringLiteral("<#>")}, {QStringLiteral("mine")},
                    QStringLiteral("042")),
             QStringLiteral("mine"));
}

void TestTagSubstitution::valueHoldingATagIsExpandedOnlyByLaterFields()
{
    const QStringList tags{QStringLiteral("<A>"), QStringLiteral("<B>"), QStringLiteral("<C>")};
    // B's value names A (earlier: left as written) and C (later: expanded).
    const QStringList values{QStringLiteral("a"), QStringLiteral("[<A>|<C>]"), QStringLiteral("c")};
    QCOMPARE(fields(QStringLiteral("<B>"), tags, values), QStringLiteral("[<A>|c]"));
}

void TestTagSubstitution::valueHoldingTheCounterTagGetsTheCounter()
{
    QCOMPARE(fields(QStringLiteral("n<A>"), {QStringLiteral("<A>")}, {QStringLiteral("-<#>")},
                    QStringLiteral("007")),
             QStringLiteral("n-007"));
}

void TestTagSubstitution::insertedTextIsNotSearchedAgainForTheSameTag()
{
    // A value that rebuilds its own tag around the match must not loop or re-expand.
    QCOMPARE(fields(QStringLiteral("<A>"), {QStringLiteral("<A>")}, {QStringLiteral("<<A>>")}),
             QStringLiteral("<<A>>"));
    QCOMPARE(fields(QStringLiteral("x<#>y"), {}, {}, QStringLiteral("<#><#>")),
             QStringLiteral("x<#><#>y"));
}

void TestTagSubstitution::noRecordBlanksEveryFieldTag()
{
    // The caller passes "" for every value and for the counter when there is no record; values
    // may also be shorter than tags.
    const QStringList tags{QStringLiteral("<Name>"), QStringLiteral("<City>")};
    QCOMPARE(fields(QStringLiteral("a<Name>b<City>c<#>d"), tags, {}, QString()),
             QStringLiteral("abcd"));
    QCOMPARE(fields(QStringLiteral("<Name>|<City>"), tags, {QStringLiteral("Ann")}),
             QStringLiteral("Ann|"));
}

void TestTagSubstitution::emptyTagMatchesNothing()
{
    QCOMPARE(fields(QStringLiteral("a<B>"), {QString(), QStringLiteral("<B>")},
                    {QStringLiteral("x"), QStringLiteral("b")}),
             QStringLiteral("ab"));
}

void TestTagSubstitution::valueOnlyTemplateWithEmptyValueThenStandardGivesNone()
{
    const std::optional<QString> f =
        fields(QStringLiteral("<Name>"), {QStringLiteral("<Name>")}, {QString()});
    QCOMPARE(f, QString());
    QVERIFY(!TagSubstitution::substituteStandardTags(f, fixedNow()));
}

void TestTagSubstitution::standardTagsUseTheGivenTime_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("tmpl");
    QTest::addColumn<QString>("out");
    QTest::newRow("all tags") << fixedNow() << "<YY>-<M>-<D> <h>.<m>.<s> <Y>"
                              << "2007-03-05 09.04.02 07";
    QTest::newRow("case matters") << fixedNow() << "<m><M><yy><Yy>"
                                  << "0403<yy><Yy>";
    QTest::newRow("midnight and 2005")
        << QDateTime(QDate(2005, 12, 31), QTime(0, 0, 0)) << "<Y><M><D><h><m><s>"
        << "051231000000";
    QTest::newRow("year 2100") << QDateTime(QDate(2100, 1, 1), QTime(23, 59, 59)) << "<Y>|<YY>"
                               << "00|2100";
    QTest::newRow("field tags untouched") << fixedNow() << "<Name><#>"
                                          << "<Name><#>";
}

void TestTagSubstitution::standardTagsUseTheGivenTime()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, tmpl);
    QFETCH(QString, out);
    QCOMPARE(TagSubstitution::substituteStandardTags(tmpl, now), out);
}

void TestTagSubstitution::standardReplacementsDoNotFormNewTags()
{
    // Removing "<h>" brings "<" next to "m>"; the digits put in keep them apart.
    QCOMPARE(TagSubstitution::substituteStandardTags(QStringLiteral("<<h>m>"), fixedNow()),
             QStringLiteral("<09m>"));
    QCOMPARE(TagSubstitution::substituteStandardTags(QStringLiteral("<<s>>"), fixedNow()),
             QStringLiteral("<02>"));
}

void TestTagSubstitution::dateTagInAValueIsExpandedByTheStandardPass()
{
    const std::optional<QString> f =
        fields(QStringLiteral("v<Name>"), {QStringLiteral("<Name>")}, {QStringLiteral("<YY>")});
    QCOMPARE(f, QStringLiteral("v<YY>"));
    QCOMPARE(TagSubstitution::substituteStandardTags(f, fixedNow()), QStringLiteral("v2007"));
}

void TestTagSubstitution::elaboratedTagsHaveTheirOwnSpelling_data()
{
    QTest::addColumn<bool>("isNone");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("out");
    QTest::newRow("none gives empty") << true << ""
                                      << "";
    QTest::newRow("empty stays empty") << false << ""
                                       << "";
    QTest::newRow("date") << false << "<yy>/<mm>/<dd>"
                          << "07/03/05";
    QTest::newRow("time and long year") << false << "<YY> <hh>:<ii>:<ss>"
                                        << "2007 09:04:02";
    QTest::newRow("standard spelling kept") << false << "<M><Y><D><h><m><s>"
                                            << "<M><Y><D><h><m><s>";
}

void TestTagSubstitution::elaboratedTagsHaveTheirOwnSpelling()
{
    QFETCH(bool, isNone);
    QFETCH(QString, text);
    QFETCH(QString, out);
    const std::optional<QString> in = isNone ? std::nullopt : std::optional(text);
    const QString r = TagSubstitution::dateTagElaborated(in, fixedNow());
    QCOMPARE(r, out);
}

QTEST_APPLESS_MAIN(TestTagSubstitution)
#include "tst_tagsubstitution.moc"
