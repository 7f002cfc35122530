#pragma once

#include "support/testdata.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

// One "row" column holding each element of the JSON array in tests/data/core/<file>, named by
// its first item.
inline void addCaseRows(const QString& file)
{
    QTest::addColumn<QJsonArray>("row");
    QFile in(quillory::test::testDataPath(QStringLiteral("core/") + file));
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(in.fileName()));
    const QJsonArray rows = QJsonDocument::fromJson(in.readAll()).array();
    QVERIFY2(!rows.isEmpty(), qPrintable(in.fileName()));
    for (const QJsonValue& row : rows)
        QTest::newRow(qPrintable(row[0].toString())) << row.toArray();
}
