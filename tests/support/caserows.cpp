#include "support/caserows.h"

#include "support/scratchfolder.h"
#include "support/testdata.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QVariant>

namespace quillory::test {

void addCaseRows(const QString& area, const QString& file)
{
    QTest::addColumn<QJsonArray>("row");
    const QString path = testDataPath(area + QLatin1Char('/') + file);
    const QJsonArray rows = QJsonDocument::fromJson(readFile(path)).array();
    QVERIFY2(!rows.isEmpty(), qPrintable(path));
    for (const QJsonValue& row : rows)
        QTest::newRow(qPrintable(row[0].toString())) << row.toArray();
}

QStringList texts(const QJsonValue& v)
{
    return QVariant(v.toArray().toVariantList()).toStringList();
}

} // namespace quillory::test
