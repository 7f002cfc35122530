#pragma once

#include "core/result.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

class QLockFile;

namespace quillory {

class Document;

// A document's unsaved state as a recovery copy left behind by a session that ended without
// saving it.
struct RecoveredDocument
{
    QString id;
    // The recovery copy itself, a document file.
    QString copyPath;
    // Where the document was saved before, or empty for a document never saved.
    QString originalPath;
};

// Keeps recovery copies of documents with unsaved changes in one folder: a copy (written
// atomically) and, beside it, the path of the document it stands for. Each copy belongs to the
// process that writes it, which holds a lock file beside it while it runs: another instance
// sharing the folder neither offers nor removes it, and once that process is gone (even by a
// crash) the copy is free to be taken over.
class RecoveryStore
{
public:
    explicit RecoveryStore(QString folder);
    RecoveryStore(RecoveryStore&&) noexcept;
    RecoveryStore& operator=(RecoveryStore&&) noexcept;
    // Lets go of the copies: whatever is left is offered to the next launch.
    ~RecoveryStore();
    // $XDG_STATE_HOME/Quillory/recovery, or ~/.local/state/Quillory/recovery.
    static QString defaultFolder();

    const QString& folder() const { return m_folder; }
    // Fails when another running process holds the copy of that id.
    Result<> save(const Document& doc, const QString& id, const QString& originalPath);
    // Removes the copy unless another running process holds it.
    void remove(const QString& id);
    // The copies of this process and those whose process is gone (which this one takes over),
    // oldest first; those of running processes are left to them.
    std::vector<RecoveredDocument> list();

private:
    QString copyPath(const QString& id) const;
    QString originPath(const QString& id) const;
    // Holds the copy's lock from now on; false while another running process holds it.
    bool claim(const QString& id);

    QString m_folder;
    std::map<QString, std::unique_ptr<QLockFile>> m_locks;
};

} // namespace quillory
