#pragma once

#include "core/value.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillory::codectest {

// Path of a fixture written by Apple's archiver; empty when the fixture folder is missing.
QString fixturePath(const QString& name);
QString fixtureFolder();

// Whether python3 runs here; the independent checks need it.
bool havePython();

// Runs tests/codec/data/bplist_tool.py: "check" gives the archive as Python's plistlib (and,
// where installed, libplist's plistutil) read it; "rewrite" re-encodes a plist with chosen widths.
std::optional<QJsonObject> independentCheck(const QString& file, QString* error);
bool independentRewrite(const QString& in, const QString& out, const QStringList& options,
                        QString* error);

// The form bplist_tool.py prints for a resolved archive: containers carry an id in order of
// first appearance, and later appearances of the same container are {"ref": id}.
QJsonValue graphJson(const Value& v);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& data);

} // namespace quillory::codectest
