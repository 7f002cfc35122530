#pragma once

#include "core/result.h"
#include "core/value.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <optional>

namespace quillory {

// Writes a Value graph as an NSKeyedArchiver archive in binary form, laid out as Apple's
// archiver lays it out (objects numbered at their first reference, class dictionaries after
// their first instance, mutable classes for mutable values), so that Foundation and our own
// reader rebuild the same classes. A container reached twice is stored once, and so is a long
// text or data payload whose storage several values share; equal dictionary keys and
// booleans share one entry, other values are stored where they occur.
class KeyedArchiveWriter
{
public:
    // The archive with root under $top "root", or nothing with a message when the graph cannot
    // be archived (it has a cycle, or nests deeper than KeyedArchiveReader::kMaxDepth).
    static Result<QByteArray> archivedData(const Value& root);
    // The same archive streamed to device (open for writing) without building it in memory;
    // a failure when the graph cannot be archived or the device fails. Nothing is written when
    // the graph is refused.
    static Result<> writeArchive(const Value& root, QIODevice* device);
};

} // namespace quillory
