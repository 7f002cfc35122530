#include "casefile.h"
#include "core/document.h"
#include "core/settingsuserdefaults.h"

#include <cmath>
#include <limits>

#include <QTemporaryDir>
#include <QtTest>

using namespace quillory;

class UserDefaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void registeredDefaultsAndTheSettingsStore()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        {
            SettingsUserDefaults defaults;
            QCOMPARE(defaults.integerValue(QStringLiteral("forcedTotLenField1")), 3);
            defaults.setValue(QStringLiteral("forcedTotLenField1"), 6);
            defaults.setValue(QStringLiteral("useLeading0ForField1"), false);
        }
        // Another process (the command-line tool, the window) reads what was stored.
        SettingsUserDefaults again;
        QCOMPARE(again.integerValue(QStringLiteral("forcedTotLenField1")), 6);
        QCOMPARE(again.boolValue(QStringLiteral("useLeading0ForField1")), false);
        again.removeValue(QStringLiteral("forcedTotLenField1"));
        QCOMPARE(again.integerValue(QStringLiteral("forcedTotLenField1")), 3);
    }

    // Rows: name, a text stored by hand, how it reads as a boolean and as an integer.
    void textValuesReadAsPeopleMeanThem_data() { addCaseRows("defaulttext.json"); }
    void textValuesReadAsPeopleMeanThem()
    {
        QFETCH(QJsonArray, row);
        MemoryUserDefaults d;
        d.setValue("forcedTotLenField1", row[1].toString());
        QCOMPARE(d.boolValue("forcedTotLenField1"), row[2].toBool());
        QCOMPARE(d.integerValue("forcedTotLenField1"), row[3].toInteger());
    }

    // Values stored with their own types (a plist or another program may hold any of them).
    void typedValuesReadStrictly_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint64>("integer");
        QTest::newRow("whole double") << QVariant(4.0) << qint64(4);
        QTest::newRow("fraction") << QVariant(5.7) << qint64(3);
        QTest::newRow("2^63 as double") << QVariant(9223372036854775808.0) << qint64(3);
        QTest::newRow("-2^63 as double")
            << QVariant(-9223372036854775808.0) << std::numeric_limits<qint64>::min();
        QTest::newRow("not a number") << QVariant(std::nan("")) << qint64(3);
        QTest::newRow("unsigned beyond range")
            << QVariant(std::numeric_limits<qulonglong>::max()) << qint64(3);
        QTest::newRow("unsigned in range") << QVariant(qulonglong(12)) << qint64(12);
        QTest::newRow("boolean") << QVariant(true) << qint64(1);
        QTest::newRow("list") << QVariant(QVariantList{1, 2}) << qint64(3);
    }
    void typedValuesReadStrictly()
    {
        QFETCH(QVariant, stored);
        QFETCH(qint64, integer);
        MemoryUserDefaults d;
        d.setValue("forcedTotLenField1", stored);
        QCOMPARE(d.integerValue("forcedTotLenField1"), integer);
    }

    // Whatever the three counter defaults hold, the counter text is the counter padded to at
    // most the largest counter's width or 9 characters.
    void counterTextIsBoundedForEveryDefault()
    {
        QList<QVariant> values;
        for (const char* text :
             {"-9223372036854775808", "9223372036854775807", "5.7", "1e300", "nan", "", "YES"})
            values << QString::fromLatin1(text);
        values << -1 << 0 << 10 << std::numeric_limits<qint64>::min()
               << std::numeric_limits<qint64>::max() << 1e300 << true;
        MemoryUserDefaults d;
        Document doc(&d);
        for (const QVariant& use : values)
            for (const QVariant& force : values)
                for (const QVariant& length : values) {
                    d.setValue("useLeading0ForField1", use);
                    d.setValue("forceLeading0ForField1", force);
                    d.setValue("forcedTotLenField1", length);
                    for (const qint64 counter : {qint64(0), qint64(-7), qint64(123456),
                                                 std::numeric_limits<qint64>::min()}) {
                        const QString text = doc.counterText(counter);
                        const QString plain = QString::number(counter);
                        QVERIFY(text.endsWith(plain.mid(counter < 0 ? 1 : 0)));
                        QVERIFY2(text.size() <= std::max<qsizetype>(plain.size(), 9),
                                 qPrintable(text));
                    }
                }
    }
};

QTEST_GUILESS_MAIN(UserDefaultsTest)
#include "tst_userdefaults.moc"
