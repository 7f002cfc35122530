#pragma once

#include "core/value.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

namespace quillory::test {

// The form in which tests/data/archive/bplist_tool.py prints a resolved archive: values tagged
// with their class ({"int": "5"}, {"mstr": "text"}), containers with their class and an id in
// order of first appearance, and every later appearance of a container as {"ref": id}.
QJsonValue graphJson(const Value& v);
// The Value a graph in that form describes; a {"ref": id} shares the container.
Value graphValue(const QJsonValue& graph);

// Runs bplist_tool.py with args: its JSON output, or {"error": why it failed}.
QJsonObject runTool(const QStringList& args);
// A JSON file under tests/data/.
QJsonValue readJson(const QString& relative);

} // namespace quillory::test

// Lets QCOMPARE show graphs (the start of them).
char* toString(const QJsonValue& v);
