#pragma once

#include <QByteArray>

namespace quillory {

// What a run does about the signals that can end it. A run writes each file under a hidden
// temporary name and renames it into place; ended by SIGINT, SIGTERM or SIGHUP meanwhile, the
// process removes the temporary files it is writing before it ends as the signal says, so
// that no hidden half-written file stays in the user's folders. SIGXFSZ (a file size limit)
// is ignored so that the write fails with a message instead of ending the process.
class RunSignals
{
public:
    // Installs the handlers; call once, early, from a program's main.
    static void install();

    // The temporary file being written by the calling thread, by folder and name: removed if a
    // signal ends the process before forget(). One per thread; a second one replaces the first.
    static void remember(int folderFd, const QByteArray& name);
    static void forget();
};

} // namespace quillory
