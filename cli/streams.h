#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace quillory {

// Reading and writing what may be a stream rather than a regular file: "-" for standard
// input or output, a FIFO, a character device. Such a node is used in place, never replaced.
namespace Streams {

// Whether path names something that exists and is neither a regular file nor a folder
// (symbolic links followed).
bool isSpecialNode(const QString& path);
// Looks at each part read as it comes; a message stops the reading with that failure.
using PartCheck = std::function<std::optional<QString>(QByteArrayView part)>;
// Every byte of path ("-": standard input), read once.
Result<QByteArray> readAll(const QString& path, const PartCheck& check = {});
// Writes to path ("-": standard output), which must already exist: opened for writing without
// creating or truncating, so a device or FIFO stays what it is. produce hands its text to
// write part by part (so that no one holds it whole) and stops when write returns false.
using Writer = std::function<bool(const QByteArray& part)>;
Result<> writeInPlace(const QString& path, const std::function<bool(const Writer& write)>& produce);

} // namespace Streams

} // namespace quillory
