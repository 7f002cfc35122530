#pragma once

#include <QSettings>
#include <QString>
#include <QVariantMap>

namespace quillory {

// What the user last chose for one document — import and export settings, the window's layout —
// kept in the user's state, never in the document: sharing a document shares none of it.
// A document is known by its file; one never saved has nothing to remember.
class DocumentMemory
{
public:
    // The most recently used documents kept; older ones are forgotten.
    static constexpr int kDocumentsKept = 200;

    // documents.ini in folder (made when first needed).
    explicit DocumentMemory(const QString& folder = defaultFolder());
    // $XDG_STATE_HOME/Quillory, or ~/.local/state/Quillory.
    static QString defaultFolder();

    // The values last remembered about topic ("import", "export", "window"…), or none.
    QVariantMap recall(const QString& documentPath, const QString& topic) const;
    // Replaces what topic held for the document and marks the document as just used.
    void remember(const QString& documentPath, const QString& topic, const QVariantMap& values);

private:
    static QString groupOf(const QString& documentPath);
    void forgetOldest();

    mutable QSettings m_store;
};

} // namespace quillory
