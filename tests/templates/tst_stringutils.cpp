#include "templates/stringutils.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <thread>
#include <vector>

using namespace quillory;

class TestKWStringUtils : public QObject
{
    Q_OBJECT

private slots:
    void trimLateralSpaceTrimsOnlyPlainSpaces_data();
    void trimLateralSpaceTrimsOnlyPlainSpaces();
    void spaceTrimmedNotEmpyNeedsMoreThanSpaces();
    void trimLateralQuoteRemovesQuotesAtBothEnds();
    void removeInitialSpacesSkipsHorizontalWhiteSpaceOnly_data();
    void removeInitialSpacesSkipsHorizontalWhiteSpaceOnly();
    void addLeading0PadsButNeverShortens_data();
    void addLeading0PadsButNeverShortens();
    void characterFiltersKeepOrder();
    void stripNewLinesRemovesPairsFirst_data();
    void stripNewLinesRemovesPairsFirst();
    void uuidStringsAreUpperCaseAndDistinct();
    void uniqueTimeStringUsesLocalComponents();
    void uniqueTimeRandStringAppendsFiveOrMoreDigits();
    void serialCountsWithinOneTimeTextAndRestarts();
    void uniqueTimeSerialStringCountsWithinOneSecond();
    void uniqueTimeSerialStringIsUniqueAcrossThreads();
    void trimStringToFitShortensWithDots_data();
    void trimStringToFitShortensWithDots();
    void trimStringToFitKeepsSurrogatePairsWhole();
};

void TestKWStringUtils::trimLateralSpaceTrimsOnlyPlainSpaces_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("both ends") << "  a b  "
                               << "a b";
    QTest::newRow("tab kept") << "\ta "
                              << "\ta";
    QTest::newRow("newline kept") << " a\n "
                                  << "a\n";
    QTest::newRow("no-break space kept")
        << QStringView(u"\u00a0a ").toString() << QStringView(u"\u00a0a").toString();
    QTest::newRow("only spaces") << "   "
                                 << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("untouched") << "a"
                               << "a";
}

void TestKWStringUtils::trimLateralSpaceTrimsOnlyPlainSpaces()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(StringUtils::trimLateralSpace(in), out);
    QCOMPARE(StringUtils::removeLateralSpace(in), out);
}

void TestKWStringUtils::spaceTrimmedNotEmpyNeedsMoreThanSpaces()
{
    QVERIFY(!StringUtils::hasNonSpaceText(std::nullopt));
    QVERIFY(!StringUtils::hasNonSpaceText(QString()));
    QVERIFY(!StringUtils::hasNonSpaceText(QStringLiteral("   ")));
    QVERIFY(StringUtils::hasNonSpaceText(QStringLiteral(" x ")));
    QVERIFY(StringUtils::hasNonSpaceText(QStringLiteral(" \t ")));
}

void TestKWStringUtils::trimLateralQuoteRemovesQuotesAtBothEnds()
{
    QCOMPARE(StringUtils::trimLateralQuote(QStringLiteral("\"\"a\"b\"")), QStringLiteral("a\"b"));
    QCOMPARE(StringUtils::trimLateralQuote(QStringLiteral(" \"a\" ")), QStringLiteral(" \"a\" "));
    QCOMPARE(StringUtils::trimLateralQuote(QStringLiteral("\"\"\"")), QString());
}

void TestKWStringUtils::removeInitialSpacesSkipsHorizontalWhiteSpaceOnly_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<bool>("isNone");
    QTest::addColumn<QString>("out");
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("spaces") << "   " << true << "";
    QTest::newRow("tabs and no-break spaces")
        << QStringView(u"\t\u00a0\u2003 ").toString() << true << "";
    QTest::newRow("space tab key") << " \tKey" << false << "Key";
    QTest::newRow("trailing kept") << "  a b  " << false << "a b  ";
    QTest::newRow("line break is not white") << " \nKey" << false << "\nKey";
    QTest::newRow("only a line break") << "\r" << false << "\r";
}

void TestKWStringUtils::removeInitialSpacesSkipsHorizontalWhiteSpaceOnly()
{
    QFETCH(QString, in);
    QFETCH(bool, isNone);
    QFETCH(QString, out);
    const std::optional<QString> r = StringUtils::removeInitialSpaces(in);
    QCOMPARE(!r.has_value(), isNone);
    if (r)
        QCOMPARE(*r, out);
}

void TestKWStringUtils::addLeading0PadsButNeverShortens_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<qint64>("len");
    QTest::addColumn<QString>("out");
    QTest::newRow("pad") << "7" << qint64(3) << "007";
    QTest::newRow("exact") << "123" << qint64(3) << "123";
    QTest::newRow("longer") << "1234" << qint64(3) << "1234";
    QTest::newRow("zero length") << "7" << qint64(0) << "7";
    QTest::newRow("negative length") << "7" << qint64(-5) << "7";
    QTest::newRow("empty text") << "" << qint64(2) << "00";
}

void TestKWStringUtils::addLeading0PadsButNeverShortens()
{
    QFETCH(QString, in);
    QFETCH(qint64, len);
    QFETCH(QString, out);
    QCOMPARE(StringUtils::addLeading0(in, len), out);
}

void TestKWStringUtils::characterFiltersKeepOrder()
{
    QCOMPARE(StringUtils::trimString(QStringLiteral("a1b2"), QStringLiteral("0123456789")),
             QStringLiteral("12"));
    QCOMPARE(StringUtils::trimString(QStringLiteral("abc"), QString()), QString());
    QCOMPARE(StringUtils::stringByRemovingCharacters(
                 QStringLiteral("a/b:c/"), [](QChar c) { return c == u'/' || c == u':'; }),
             QStringLiteral("abc"));
}

void TestKWStringUtils::stripNewLinesRemovesPairsFirst_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("mixed") << "a\n\rb\r\nc"
                           << "abc";
    QTest::newRow("lone ones") << "\na\rb\n"
                               << "ab";
    QTest::newRow("none") << "a b"
                          << "a b";
}

void TestKWStringUtils::stripNewLinesRemovesPairsFirst()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(StringUtils::stripNewLines(in), out);
}

void TestKWStringUtils::uuidStringsAreUpperCaseAndDistinct()
{
    const QRegularExpression form(
        QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    const QString a = StringUtils::createUUIDString();
    const QString b = StringUtils::uniqueUUIDString();
    QVERIFY2(form.match(a).hasMatch(), qPrintable(a));
    QVERIFY2(form.match(b).hasMatch(), qPrintable(b));
    QVERIFY(a != b);
    QVERIFY(StringUtils::createUUIDString() != a);
}

void TestKWStringUtils::uniqueTimeStringUsesLocalComponents()
{
    const QDateTime t(QDate(2024, 3, 5), QTime(9, 4, 2));
    QCOMPARE(StringUtils::uniqueTimeString(t), QStringLiteral("20240305090402"));
    const QDateTime late(QDate(2031, 12, 31), QTime(23, 59, 59));
    QCOMPARE(StringUtils::uniqueTimeString(late), QStringLiteral("20311231235959"));
    QCOMPARE(StringUtils::uniqueTimeString().size(), 14);
}

void TestKWStringUtils::uniqueTimeRandStringAppendsFiveOrMoreDigits()
{
    const QRegularExpression form(QStringLiteral("^\\d{14}(\\d{5,})$"));
    for (int i = 0; i < 20; ++i) {
        const QString s = StringUtils::uniqueTimeRandString();
        const QRegularExpressionMatch m = form.match(s);
        QVERIFY2(m.hasMatch(), qPrintable(s));
        const qint64 r = m.captured(1).toLongLong();
        QVERIFY(r >= 1 && r <= 32000000000000LL);
    }
}

void TestKWStringUtils::serialCountsWithinOneTimeTextAndRestarts()
{
    QCOMPARE(StringUtils::getNewSerialForTimeString(QStringLiteral("T1")), QStringLiteral("0"));
    QCOMPARE(StringUtils::getNewSerialForTimeString(QStringLiteral("T1")), QStringLiteral("1"));
    QCOMPARE(StringUtils::getNewSerialForTimeString(QStringLiteral("T1")), QStringLiteral("2"));
    QCOMPARE(StringUtils::getNewSerialForTimeString(QStringLiteral("T2")), QStringLiteral("0"));
    // Only the previous text is remembered.
    QCOMPARE(StringUtils::getNewSerialForTimeString(QStringLiteral("T1")), QStringLiteral("0"));
}

void TestKWStringUtils::uniqueTimeSerialStringCountsWithinOneSecond()
{
    const QDateTime t(QDate(2024, 3, 5), QTime(9, 4, 2));
    QCOMPARE(StringUtils::uniqueTimeSerialString(t), QStringLiteral("202403050904020"));
    QCOMPARE(StringUtils::uniqueTimeSerialString(t), QStringLiteral("202403050904021"));
    QCOMPARE(StringUtils::uniqueTimeSerialString(t.addSecs(1)),
             QStringLiteral("202403050904030"));
}

void TestKWStringUtils::uniqueTimeSerialStringIsUniqueAcrossThreads()
{
    constexpr int threads = 4;
    constexpr int perThread = 500;
    std::vector<QStringList> results(threads);
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([&results, i] {
            for (int n = 0; n < perThread; ++n)
                results[i].append(StringUtils::uniqueTimeSerialString());
        });
    }
    for (std::thread& w : workers)
        w.join();
    QSet<QString> all;
    for (const QStringList& list : results) {
        for (const QString& s : list)
            all.insert(s);
    }
    QCOMPARE(all.size(), threads * perThread);
}

// One unit of width per code unit.
static int unitWidth(const QString& s)
{
    return int(s.size());
}

void TestKWStringUtils::trimStringToFitShortensWithDots_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("out");
    QTest::newRow("fits") << "abcdef" << 6 << "abcdef";
    QTest::newRow("shortened") << "abcdef" << 5 << "abc..";
    QTest::newRow("one char left even if too wide") << "abcdef" << 1 << "a..";
    QTest::newRow("empty fits") << "" << 0 << "";
    QTest::newRow("empty too wide") << "" << -1 << "..";
}

void TestKWStringUtils::trimStringToFitShortensWithDots()
{
    QFETCH(QString, in);
    QFETCH(int, width);
    QFETCH(QString, out);
    QCOMPARE(StringUtils::trimStringToFit(in, width, unitWidth), out);
}

void TestKWStringUtils::trimStringToFitKeepsSurrogatePairsWhole()
{
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    const QString r =
        StringUtils::trimStringToFit(QStringLiteral("ab") + clef + clef, 5, unitWidth);
    // "ab" + one clef + ".." is 6 units wide, so the clef goes as a whole, not its low half.
    QCOMPARE(r, QStringLiteral("ab.."));
    QCOMPARE(StringUtils::trimStringToFit(clef + clef, 0, unitWidth),
             clef + QStringLiteral(".."));
}

QTEST_APPLESS_MAIN(TestKWStringUtils)
#include "tst_stringutils.moc"
