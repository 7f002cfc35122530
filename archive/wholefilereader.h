#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QFile;

namespace quillory {

// Reads a whole file into memory. A large regular file is read in parts on several threads
// (copying from the system's cache is most of the time a large document takes to open); a file
// whose size changes meanwhile, or anything not a regular file, is read again in one piece.
class WholeFileReader
{
public:
    // Larger than any document: a file beyond it (a sparse file, a device that never ends) is
    // refused before its bytes are held in memory.
    static constexpr qint64 kMaxBytes = qint64(4) << 30;

    // The file's bytes, or why not: it could not be read, it holds more than limit bytes, or
    // there is not the memory to hold them.
    static Result<QByteArray> read(const QString& path, qint64 limit = kMaxBytes);

    // Called on the reading thread once the parts of a parted read are in, before the file is
    // looked at again, so that a test can change it then. Not for concurrent use.
    static void setPartsReadHook(std::function<void(const QString& path)> hook);

private:
    static Result<QByteArray> readOpened(QFile& file, qint64 limit);
};

} // namespace quillory
