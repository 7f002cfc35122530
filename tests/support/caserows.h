#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace quillory::test {

// One "row" column holding each element of the JSON array in tests/data/<area>/<file>, named
// by its first item. A missing or empty file fails the test.
void addCaseRows(const QString& area, const QString& file);
// The texts of a JSON array.
QStringList texts(const QJsonValue& v);

} // namespace quillory::test
