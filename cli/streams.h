#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillory {

// Reading and writing what may be a stream rather than a regular file: "-" for standard
// input or output, a FIFO, a character device. Such a node is used in place, never replaced.
namespace Streams {

// Whether path names something that exists and is neither a regular file nor a folder
// (symbolic links followed).
bool isSpecialNode(const QString& path);
// Every byte of path ("-": standard input), read once.
Result<QByteArray> readAll(const QString& path);
// Writes to path ("-": standard output), which must already exist: opened for writing without
// creating or truncating, so a device or FIFO stays what it is. produce hands its text to
// write part by part (so that no one holds it whole) and stops when write returns false.
using Writer = std::function<bool(const QByteArray& part)>;
Result<> writeInPlace(const QString& path, const std::function<bool(const Writer& write)>& produce);

} // namespace Streams

} // namespace quillory
