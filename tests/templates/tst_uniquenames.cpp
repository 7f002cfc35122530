#include "templates/uniquenames.h"

#include <QSet>
#include <QTest>

#include <thread>

using namespace quillory;

class TestUniqueNames : public QObject
{
    Q_OBJECT

private slots:
    // The serial counts up while the time text repeats and starts again at 0 on any other text;
    // both makers share that memory.
    void serialCountsWithinOneTimeText()
    {
        const QDateTime t(QDate(2024, 3, 5), QTime(9, 4, 2));
        const QStringList got{UniqueNames::serialForTimeString("T1"),
                              UniqueNames::serialForTimeString("T1"),
                              UniqueNames::serialForTimeString("T2"),
                              UniqueNames::serialForTimeString("T1"),
                              UniqueNames::timeStringWithSerial(t),
                              UniqueNames::serialForTimeString("20240305090402"),
                              UniqueNames::timeStringWithSerial(t.addSecs(1))};
        QCOMPARE(got, QStringList({"0", "1", "0", "0", "202403050904020", "1", "202403050904030"}));
        QVERIFY(UniqueNames::timeStringWithRandom().size() >= 19);
    }

    void timeStringWithSerialIsUniqueAcrossThreads()
    {
        QStringList made[4];
        {
            std::jthread workers[4];
            for (int i = 0; i < 4; ++i)
                workers[i] = std::jthread([list = &made[i]] {
                    for (int n = 0; n < 2000; ++n)
                        list->append(UniqueNames::timeStringWithSerial());
                });
        }
        const QStringList all = made[0] + made[1] + made[2] + made[3];
        QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), all.size());
    }
};

QTEST_APPLESS_MAIN(TestUniqueNames)
#include "tst_uniquenames.moc"
