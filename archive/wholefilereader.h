#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QString>

namespace quillory {

// Reads a whole file into memory. A large regular file is read in parts on several threads
// (copying from the system's cache is most of the time a large document takes to open); a file
// whose size changes meanwhile, or anything not a regular file, is read again in one piece.
class WholeFileReader
{
public:
    static Result<QByteArray> read(const QString& path);
};

} // namespace quillory
