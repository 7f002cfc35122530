#pragma once

#include "core/result.h"

#include <QString>

#include <vector>

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
// atomically) and, beside it, the path of the document it stands for.
class RecoveryStore
{
public:
    explicit RecoveryStore(QString folder);
    // $XDG_STATE_HOME/Quillory/recovery, or ~/.local/state/Quillory/recovery.
    static QString defaultFolder();

    const QString& folder() const { return m_folder; }
    Result<> save(const Document& doc, const QString& id, const QString& originalPath) const;
    void remove(const QString& id) const;
    // Every copy in the folder, oldest first.
    std::vector<RecoveredDocument> list() const;

private:
    QString copyPath(const QString& id) const;
    QString originPath(const QString& id) const;

    QString m_folder;
};

} // namespace quillory
