#include "core/document.h"
#include "exchange/exportwriter.h"

#include <QTest>

using namespace quillory;

class TestExportDocument : public QObject
{
    Q_OBJECT

private slots:
    void everyRecordAndOnlyUserFieldsAreOffered();
};

void TestExportDocument::everyRecordAndOnlyUserFieldsAreOffered()
{
    MemoryUserDefaults defaults;
    Document doc(&defaults);
    doc.prepareOpened();
    const QString name = doc.insertField();
    const QString city = doc.insertField();
    QVERIFY(doc.renameKey(2, QStringLiteral("Name")));
    QVERIFY(doc.renameKey(3, QStringLiteral("City")));
    const QStringList rows[] = {{"Ann", "Rome"}, {"Bob", "Oslo"}, {"Cy", "Nice"}};
    for (const QStringList& row : rows) {
        doc.addRecord();
        const Record r = doc.dataArray().back();
        r->set(name, Value::string(row[0]));
        r->set(city, Value::string(row[1]));
        r->set(kCheckedKey, Value::boolean(row[0] == QLatin1String("Bob")));
    }
    // The search hides two records and only one is checked: all three are written all the same.
    doc.setSearchText(QStringLiteral("bob"));
    QCOMPARE(doc.arrangedRecords().size(), std::size_t(1));

    ExportWriter m = ExportWriter::forDocument(doc, QStringLiteral("Trip.quillory"));
    QCOMPARE(m.suggestedFileName, QStringLiteral("Trip Export"));
    QCOMPARE(m.leftKeyArray().size(), std::size_t(2));
    QCOMPARE(m.leftKeyArray().front().publicKey, QStringLiteral("Name"));
    QCOMPARE(m.dataArray().size(), std::size_t(3));

    m.addAllToRight();
    m.useFieldNamesAsFirstRow = true;
    QCOMPARE(m.composeExport(), QStringLiteral("Name\tCity\nAnn\tRome\nBob\tOslo\nCy\tNice"));
    QCOMPARE(ExportWriter::forDocument(doc).suggestedFileName, QStringLiteral("Export"));
}

QTEST_APPLESS_MAIN(TestExportDocument)
#include "tst_exportdocument.moc"
