#pragma once

#include "support/caserows.h"

#include "support/testdata.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <optional>

// The case rows of tests/data/templates/<file>.
inline void addCaseRows(const QString& file)
{
    quillory::test::addCaseRows(QStringLiteral("templates"), file);
}

// Null stands for none in the case files.
inline std::optional<QString> textOrNone(const QJsonValue& v)
{
    return v.isNull() ? std::nullopt : std::optional(v.toString());
}

using quillory::test::texts;

// The time the date tags of fieldtags.json read.
inline const QDateTime caseTime(QDate(2007, 3, 5), QTime(9, 4, 2));
