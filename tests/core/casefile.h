#pragma once

#include "support/caserows.h"

#include <QJsonArray>
#include <QTest>

// The case rows of tests/data/core/<file>.
inline void addCaseRows(const QString& file)
{
    quillory::test::addCaseRows(QStringLiteral("core"), file);
}
