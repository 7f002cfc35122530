#pragma once

#include "app/document/recoverystore.h"
#include "core/documentmemory.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace quillory {

class Document;
class DocumentWindow;
class Shell;
class UserDefaults;

// The document application: one window per open document, opening and creating them, the
// recent documents, quitting, and the recovery of documents a crash left unsaved.
class Application : public QObject
{
    Q_OBJECT
public:
    // defaults are the user defaults every document reads (not owned).
    Application(UserDefaults* defaults, RecoveryStore recovery, QObject* parent = nullptr);
    ~Application() override;

    DocumentWindow* newDocument();
    // Opens path in a new window, or brings forward the window that has it open. A file that
    // cannot be opened is reported on parent (or on its own) and gives none.
    DocumentWindow* openDocument(const QString& path, QWidget* parent = nullptr);
    void openWithDialog(QWidget* parent);
    // What a later launch handed over: its documents, or a window brought forward (a new
    // document when none is open) when it was given none.
    void openHandedOver(const QStringList& paths);
    // Opens a copy of the document at path as a new untitled document named "<name> copy",
    // so that saving asks where and never writes over the original (the demo documents).
    DocumentWindow* openCopy(const QString& path);
    // Closes every window, each document window asking about unsaved changes; false when one
    // was kept open.
    bool closeAll();

    // Offers to reopen the documents that the recovery folder holds; returns the windows
    // opened for them.
    std::vector<DocumentWindow*> offerRecovery();
    // Opens a recovery copy as the document it stands for, with its unsaved changes.
    DocumentWindow* reopenRecovered(const RecoveredDocument& recovered);

    QStringList recentDocuments() const;
    void noteRecent(const QString& path);
    // "Untitled", "Untitled 2"… for a window whose document was never saved; "<name> copy"
    // for a copy opened by openCopy.
    QString untitledName(const DocumentWindow* window) const;

    RecoveryStore& recovery() { return m_recovery; }
    // The startup action, preferences, update check and help commands.
    Shell& shell() const { return *m_shell; }
    UserDefaults& defaults() const { return *m_defaults; }
    // Per-document choices and layout, kept in the user's state.
    DocumentMemory& documentMemory() { return m_documentMemory; }
    std::vector<DocumentWindow*> windows() const;

private:
    DocumentWindow* show(DocumentWindow* window);
    // The document at path, marked saved; none after telling the user why it was not read.
    std::unique_ptr<Document> readDocument(const QString& path, QWidget* parent);

    UserDefaults* m_defaults;
    DocumentMemory m_documentMemory;
    RecoveryStore m_recovery;
    Shell* m_shell;
    std::vector<QPointer<DocumentWindow>> m_windows;
    // The name of each window opened as a copy, until it is saved.
    std::vector<std::pair<QPointer<DocumentWindow>, QString>> m_copyNames;
};

} // namespace quillory
