#pragma once

#include "merge/filesystem.h"

#include <QMap>

#include <functional>

namespace quillory::test {

// An in-memory file system whose calls a test can make fail or race.
class FakeFileSystem : public FileSystem
{
public:
    struct Node
    {
        bool isDir = false;
        QByteArray data;
    };
    QMap<QString, Node> nodes;
    bool accessGranted = true;
    int accessOpen = 0;
    // Called with the target path right before a rename / a folder creation.
    std::function<void(const QString&)> beforeRename;
    std::function<void(const QString&)> beforeMakeDirectory;
    // Temporary writes into this folder fail.
    QString failWritesIn;

    explicit FakeFileSystem(const QString& root) { nodes.insert(normal(root), {true, {}}); }

    static QString normal(QString path)
    {
        while (path.contains(QLatin1String("//")))
            path.replace(QLatin1String("//"), QLatin1String("/"));
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        return path;
    }
    static QString parentOf(const QString& path)
    {
        const QString p = normal(path);
        return p.left(qMax<qsizetype>(1, p.lastIndexOf(QLatin1Char('/'))));
    }
    bool parentIsDir(const QString& path) const
    {
        const auto it = nodes.find(parentOf(path));
        return it != nodes.end() && it->isDir;
    }

    bool startAccessing(const QString&) override
    {
        accessOpen += accessGranted ? 1 : 0;
        return accessGranted;
    }
    void stopAccessing(const QString&) override { --accessOpen; }
    bool exists(const QString& path) override { return nodes.contains(normal(path)); }
    bool isDirectory(const QString& path) override
    {
        const auto it = nodes.find(normal(path));
        return it != nodes.end() && it->isDir;
    }
    Entry entryAt(const QString& path) override
    {
        return exists(path) ? Entry::Other : Entry::Missing;
    }
    std::optional<QString> canonicalPath(const QString& path) override
    {
        return exists(path) ? std::optional<QString>(normal(path)) : std::nullopt;
    }
    FsStatus makeDirectory(const QString& path) override
    {
        if (beforeMakeDirectory)
            beforeMakeDirectory(path);
        if (exists(path))
            return FsStatus::exists();
        if (!parentIsDir(path))
            return FsStatus::failed("no parent for " + path);
        nodes.insert(normal(path), {true, {}});
        return FsStatus::ok();
    }
    FsStatus writeTemporaryFile(const QString& folder, const QString& nameHint,
                                const QByteArray& contents, QString* tempPath) override
    {
        if (normal(folder) == normal(failWritesIn))
            return FsStatus::failed("disk full for " + nameHint);
        *tempPath = normal(folder) + "/." + nameHint + ".tmp";
        if (!parentIsDir(*tempPath))
            return FsStatus::failed("no parent for " + nameHint);
        nodes.insert(*tempPath, {false, contents});
        return FsStatus::ok();
    }
    FsStatus renameNoReplace(const QString& from, const QString& to) override
    {
        if (beforeRename)
            beforeRename(to);
        if (exists(to))
            return FsStatus::exists();
        nodes.insert(normal(to), nodes.take(normal(from)));
        return FsStatus::ok();
    }
    bool removeFile(const QString& path) override { return nodes.remove(normal(path)) > 0; }
};

} // namespace quillory::test
