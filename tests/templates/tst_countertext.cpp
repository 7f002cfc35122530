#include "templates/countertext.h"

#include <QTest>

#include <limits>

using namespace quillory;

class TestCounterText : public QObject
{
    Q_OBJECT

private slots:
    void formatFollowsTheThreeDefaults_data();
    void formatFollowsTheThreeDefaults();
    void registeredDefaultsPadToTheLargestCounter();
};

void TestCounterText::formatFollowsTheThreeDefaults_data()
{
    QTest::addColumn<qint64>("counter");
    QTest::addColumn<qint64>("maxNum");
    QTest::addColumn<bool>("useLeading0");
    QTest::addColumn<bool>("forceLeading0");
    QTest::addColumn<qint64>("forcedTotLen");
    QTest::addColumn<QString>("out");

    // Width of the largest counter.
    QTest::newRow("defaults, max 120")
        << qint64(7) << qint64(120) << true << false << qint64(3) << "007";
    QTest::newRow("defaults, max 9") << qint64(7) << qint64(9) << true << false << qint64(3) << "7";
    QTest::newRow("defaults, no records")
        << qint64(7) << qint64(0) << true << false << qint64(3) << "7";
    QTest::newRow("counter above the known max")
        << qint64(1234) << qint64(120) << true << false << qint64(3) << "1234";
    QTest::newRow("forced length ignored unless forced")
        << qint64(7) << qint64(120) << true << false << qint64(6) << "007";
    // Forced length.
    QTest::newRow("forced 5") << qint64(7) << qint64(120) << true << true << qint64(5) << "00007";
    QTest::newRow("forced 12 capped at 9")
        << qint64(7) << qint64(120) << true << true << qint64(12) << "000000007";
    QTest::newRow("forced 20 capped at 9")
        << qint64(7) << qint64(9) << true << true << qint64(20) << "000000007";
    QTest::newRow("forced never truncates")
        << qint64(1234) << qint64(120) << true << true << qint64(3) << "1234";
    QTest::newRow("forced 0 pads nothing")
        << qint64(7) << qint64(120) << true << true << qint64(0) << "7";
    QTest::newRow("forced negative pads nothing")
        << qint64(7) << qint64(120) << true << true << qint64(-4) << "7";
    QTest::newRow("forced huge") << qint64(7) << qint64(0) << true << true
                                 << std::numeric_limits<qint64>::max() << "000000007";
    QTest::newRow("forced most negative")
        << qint64(7) << qint64(0) << true << true << std::numeric_limits<qint64>::min() << "7";
    // Padding off.
    QTest::newRow("no padding") << qint64(7) << qint64(120) << false << false << qint64(3) << "7";
    QTest::newRow("no padding beats forcing")
        << qint64(7) << qint64(120) << false << true << qint64(9) << "7";
    // Negative counters keep the sign in front of the zeros.
    QTest::newRow("negative, max 120")
        << qint64(-7) << qint64(120) << true << false << qint64(3) << "-07";
    QTest::newRow("negative, forced 5")
        << qint64(-7) << qint64(0) << true << true << qint64(5) << "-0007";
    QTest::newRow("negative max sets width")
        << qint64(-7) << qint64(-120) << true << false << qint64(3) << "-007";
    QTest::newRow("negative, forced 1")
        << qint64(-7) << qint64(0) << true << true << qint64(1) << "-7";
    QTest::newRow("most negative counter") << std::numeric_limits<qint64>::min() << qint64(0)
                                           << true << true << qint64(9) << "-9223372036854775808";
    QTest::newRow("zero counter") << qint64(0) << qint64(120) << true << false << qint64(3)
                                  << "000";
}

void TestCounterText::formatFollowsTheThreeDefaults()
{
    QFETCH(qint64, counter);
    QFETCH(qint64, maxNum);
    QFETCH(bool, useLeading0);
    QFETCH(bool, forceLeading0);
    QFETCH(qint64, forcedTotLen);
    QFETCH(QString, out);
    const CounterFormat f{useLeading0, forceLeading0, forcedTotLen};
    QCOMPARE(CounterText::format(counter, maxNum, f), out);
}

void TestCounterText::registeredDefaultsPadToTheLargestCounter()
{
    QCOMPARE(CounterText::format(7, 120, CounterFormat{}), QStringLiteral("007"));
    QCOMPARE(CounterText::format(7, 9, CounterFormat{}), QStringLiteral("7"));
}

QTEST_APPLESS_MAIN(TestCounterText)
#include "tst_countertext.moc"
