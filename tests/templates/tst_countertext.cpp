#include "casefile.h"
#include "templates/countertext.h"

using namespace quillory;

class TestCounterText : public QObject
{
    Q_OBJECT

private slots:
    // Rows [name, counter, largest counter, [useLeading0, forceLeading0, forcedTotLen] or null
    // for the registered defaults, expected].
    void format_data() { addCaseRows(QStringLiteral("countertext.json")); }
    void format()
    {
        QFETCH(QJsonArray, row);
        const QJsonArray f = row[3].toArray();
        const CounterFormat format =
            row[3].isNull() ? CounterFormat{}
                            : CounterFormat{f[0].toBool(), f[1].toBool(), f[2].toInteger()};
        QCOMPARE(CounterText::format(row[1].toInteger(), row[2].toInteger(), format),
                 row[4].toString());
    }
};

QTEST_APPLESS_MAIN(TestCounterText)
#include "tst_countertext.moc"
