#include "core/document.h"
#include "support/documentbuilder.h"

#include <QtTest>

using namespace quillory;

// Steps on a document read with the given inner keys: "+" adds a field, "-K" deletes the field
// with inner key K; each row lists the inner key every "+" must get.
class InnerKeyNumbersTest : public QObject
{
    Q_OBJECT
private slots:
    void newFieldsTakeTheLowestFreeInnerKey_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("given");
        const auto row = [](const char* name, QStringList stored, QStringList steps,
                            QStringList given) { QTest::newRow(name) << stored << steps << given; };
        row("new document", {"1", "2"}, {"+", "+", "+"}, {"3", "4", "5"});
        row("gap filled first", {"1", "2", "3", "5"}, {"+", "+"}, {"4", "6"});
        row("freed key taken again", {"1", "2", "3", "4", "5"}, {"+", "-4", "-3", "+", "+", "+"},
            {"6", "3", "4", "7"});
        row("other spellings free nothing", {"1", "2", "03", " 3", "x", "-1"}, {"+", "+"},
            {"3", "4"});
        row("a repeated key stays used until both go", {"1", "2", "3", "3"},
            {"-3", "+", "-3", "-4", "+"}, {"4", "3"});
    }
    void newFieldsTakeTheLowestFreeInnerKey()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, given);
        Document doc;
        DocumentContents contents;
        for (const QString& k : stored)
            contents.keys.push_back({k, QStringLiteral("F") + k});
        doc.setContents(std::move(contents));
        doc.prepareOpened();
        QStringList got;
        for (const QString& step : steps) {
            if (step == QLatin1String("+")) {
                got << doc.insertField();
                continue;
            }
            const std::vector<int> at = doc.keyIndicesForName(QLatin1Char('#') + step.mid(1));
            QVERIFY2(!at.empty(), qPrintable(step));
            doc.setSelectedKeyIndex(at.front());
            QVERIFY(doc.deleteSelectedKeyConfirmed());
        }
        QCOMPARE(got, given);
    }

    // Ten thousand fields in a row: each new key is the next number, never one in use.
    void manyFieldsGetDistinctKeys()
    {
        Document doc;
        doc.prepareOpened();
        for (int i = 0; i < 10000; ++i)
            doc.insertField();
        const QStringList keys = test::innerKeys(doc);
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
        QCOMPARE(doc.keyArray().back().innerKey, QStringLiteral("10002"));
    }
};

QTEST_GUILESS_MAIN(InnerKeyNumbersTest)
#include "tst_innerkeynumbers.moc"
