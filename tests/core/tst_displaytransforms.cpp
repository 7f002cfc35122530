#include "core/displaytransforms.h"

#include <QTest>

#include <limits>

using namespace quillory;

class DisplayTransformsTest : public QObject
{
    Q_OBJECT
private slots:
    void comparisonsReadTheInputAsA16BitNumber()
    {
        QCOMPARE(DisplayTransforms::equalsRef(2, 2), 1);
        QCOMPARE(DisplayTransforms::equalsRef(3, 2), 0);
        QCOMPARE(DisplayTransforms::equalsRef(std::nullopt, 2), std::nullopt);
        // 65538 is 2 in 16 bits, and 65535 is -1.
        QCOMPARE(DisplayTransforms::equalsRef(65538, 2), 1);
        QCOMPARE(DisplayTransforms::smallerThanRef(65535, 0), 1);
        QCOMPARE(DisplayTransforms::greaterThanRef(5, 4), 1);
        QCOMPARE(DisplayTransforms::greaterThanRef(4, 4), 0);
        QCOMPARE(DisplayTransforms::notEqualToRef(0, 0), 0);
        QCOMPARE(DisplayTransforms::notEqualToRef(std::numeric_limits<qint64>::max(), 0), 1);
    }

    void sizesAndCounts()
    {
        QCOMPARE(DisplayTransforms::heightForFontSize(10), 16);
        QCOMPARE(DisplayTransforms::heightForFontSize(13), 20);
        QCOMPARE(DisplayTransforms::heightForFontSize(std::nullopt), std::nullopt);
        QCOMPARE(DisplayTransforms::multipliedBy(0.1, 3), 0.1f * 3.0f);
        QCOMPARE(DisplayTransforms::oneIfSeveral(2), 1);
        QCOMPARE(DisplayTransforms::oneIfSeveral(1), 0);
        QCOMPARE(DisplayTransforms::oneIfSeveral(std::nullopt), 0);
    }

    void trimmedTextsTrimOnlySpaces()
    {
        QVERIFY(DisplayTransforms::isEmptyTrimmed(std::nullopt));
        QVERIFY(DisplayTransforms::isEmptyTrimmed(QStringLiteral("   ")));
        QVERIFY(DisplayTransforms::isFilledTrimmed(QStringLiteral(" \t ")));
        QVERIFY(DisplayTransforms::isFilledTrimmed(QStringLiteral(" a ")));
        QVERIFY(!DisplayTransforms::isFilledTrimmed(std::nullopt));
    }
};

QTEST_APPLESS_MAIN(DisplayTransformsTest)
#include "tst_displaytransforms.moc"
