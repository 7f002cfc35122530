#pragma once

#include <QString>

namespace quillory {

// The checks a run makes on an expanded path before it creates anything there; each gives
// the message that the run log shows for a rejected path.
class PathCheck
{
public:
    // The full path ends in "/" or contains ":".
    static bool existsErrorForFilePath(const QString& fullPath, QString* errorStr);
    // The full path contains ":".
    static bool existsErrorForFolderPath(const QString& fullPath, QString* errorStr);
    // The relative path has a ".." component, which could lead out of the destination.
    static bool parentReferenceError(const QString& relativePath, const QString& fullPath,
                                     bool isFolder, QString* errorStr);
    // The message for a path that resolves outside the destination (through a symbolic link).
    static QString outsideDestinationError(const QString& fullPath, bool isFolder);
};

} // namespace quillory
