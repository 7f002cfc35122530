#pragma once

#include "support/scratchfolder.h"
#include "support/testdata.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <optional>

// One "row" column holding each element of the JSON array in tests/data/exchange/<file>,
// named by its first item.
inline void addCaseRows(const QString& file)
{
    QTest::addColumn<QJsonArray>("row");
    const QString path = quillory::test::testDataPath(QStringLiteral("exchange/") + file);
    const QJsonArray rows = QJsonDocument::fromJson(quillory::test::readFile(path)).array();
    QVERIFY2(!rows.isEmpty(), qPrintable(path));
    for (const QJsonValue& row : rows)
        QTest::newRow(qPrintable(row[0].toString())) << row.toArray();
}

// None shown as "(none)", so that a failed comparison prints both sides.
inline QString orNone(const std::optional<QString>& text)
{
    return text.value_or(QStringLiteral("(none)"));
}

inline QStringList texts(const QJsonValue& v)
{
    return QVariant(v.toArray().toVariantList()).toStringList();
}

inline QList<QStringList> textRows(const QJsonValue& v)
{
    QList<QStringList> rows;
    for (const QJsonValue& row : v.toArray())
        rows << texts(row);
    return rows;
}

// Empty when the texts are equal; otherwise the first line where they differ.
inline QString firstDifference(const QString& actual, const QString& expected)
{
    const QStringList got = actual.split(u'\n'), want = expected.split(u'\n');
    qsizetype i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    if (actual == expected)
        return {};
    return QStringLiteral("line %1: got \"%2\", expected \"%3\"")
        .arg(i + 1)
        .arg(got.value(i, QStringLiteral("(no line)")), want.value(i, QStringLiteral("(no line)")));
}
