#pragma once

#include "support/testdata.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <optional>

// One "row" column holding each element of the JSON array in tests/data/templates/<file>,
// named by its first item.
inline void addCaseRows(const QString& file)
{
    QTest::addColumn<QJsonArray>("row");
    QFile in(quillory::test::testDataPath(QStringLiteral("templates/") + file));
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(in.fileName()));
    const QJsonArray rows = QJsonDocument::fromJson(in.readAll()).array();
    QVERIFY2(!rows.isEmpty(), qPrintable(in.fileName()));
    for (const QJsonValue& row : rows)
        QTest::newRow(qPrintable(row[0].toString())) << row.toArray();
}

// Null stands for none in the case files.
inline std::optional<QString> textOrNone(const QJsonValue& v)
{
    return v.isNull() ? std::nullopt : std::optional(v.toString());
}

inline QStringList texts(const QJsonValue& v)
{
    return QVariant(v.toArray().toVariantList()).toStringList();
}

// The time the date tags of fieldtags.json read.
inline const QDateTime caseTime(QDate(2007, 3, 5), QTime(9, 4, 2));
