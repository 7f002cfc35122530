#pragma once

#include "app/document/documentactions.h"

#include <QMainWindow>

#include <memory>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMimeData;
class QTabWidget;
class QTimer;

namespace quillory {

class Application;
class DatabaseTab;
class Document;
class MergeTab;
class PreviewTab;
class PrototypeTab;
class RunTab;
class UndoStack;
class UndoKeyForwarder;
class WindowLayout;
class WindowState;

// The window of one open document: its tabs, menus and file commands. It owns the document,
// its undo history and what the window shows of it; every action of the user goes through the
// commands on that history. While the document has unsaved changes it keeps a recovery copy
// current.
class DocumentWindow : public QMainWindow
{
    Q_OBJECT
public:
    // path is where the document is saved (empty for a new one); recoveryId names its
    // recovery copy (a new one when empty; a given one means the document comes from that copy
    // and starts out with unsaved changes).
    DocumentWindow(Application* app, std::unique_ptr<Document> doc, QString path,
                   QString recoveryId = {});
    ~DocumentWindow() override;

    Document& document() const { return *m_doc; }
    UndoStack& undoStack() const { return *m_stack; }
    WindowState& state() const { return *m_state; }
    const QString& filePath() const { return m_path; }
    const QString& recoveryId() const { return m_recoveryId; }
    const DocumentActions& actions() const { return m_actions; }
    // The timers of the Prototype and merge tabs, running only while their tab is shown.
    bool focusTimersRunning() const;
    QTabWidget* tabs() const { return m_tabs; }
    DatabaseTab* databaseTab() const { return m_database; }
    PrototypeTab* prototypeTab() const { return m_prototypes; }
    MergeTab* mergeTab() const { return m_merge; }
    PreviewTab* previewTab() const { return m_preview; }
    RunTab* runTab() const { return m_run; }

    // Whether there are changes the saved file does not hold.
    bool hasUnsavedChanges() const;
    // Saves to the document's file, asking for one when it has none; false when nothing was
    // saved (cancelled, or the write failed and the user was told why).
    bool save();
    // Saves to path, or to a file the user chooses when path is empty.
    bool saveAs(const QString& path = {});
    // Asks, then reads the saved file again, dropping the unsaved changes and the undo
    // history; false when the user cancelled or the file could not be read.
    bool revertToSaved();
    // Writes the recovery copy now when there are unsaved changes that it does not hold yet.
    void writeRecoveryCopy();
    void setRecoveryInterval(int milliseconds);
    // "name — Quillory", with the modified mark; a copy's name is known once the application
    // has registered it.
    void updateTitle();
    // Enabling, check marks, undo titles and the title's modified mark.
    void updateActions();
    // Puts what is being typed in a table cell into the document (as Enter would) and ends
    // the typing step, so that what follows is a step of its own. Saving, closing, quitting,
    // importing, exporting and showing another tab (a run shows its own) call it first.
    void finishEditing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Documents dropped anywhere open; a text file dropped on the database tab is imported.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    void connectViews();
    // Shows the main tab the window's state names, with what showing it brings: the timers
    // that keep the tag menus following the keyboard focus.
    void showMainTab();
    void refreshFocusFlags();
    // Names the chosen destination folder in the status bar while it cannot be found (a disk
    // not plugged in): it stays chosen and works again once it is back.
    void showMissingDestination();
    // The record count, with the listed and checked counts while a search or checks are on.
    void showRecordCount();
    // The result of the last action, until another replaces it.
    void showActionResult(const QString& text);
    void addField();
    void deleteSelectedField();
    void addRecord();
    void deleteSelectedRecord();
    void deleteCheckedRecords();
    void sortRecords();
    void addPrototype();
    void removePrototype();
    void importRecords();
    void importFile(const QString& path);
    // What dropping the files of mime at pos (in the window) would do.
    enum class Drop { Nothing, OpenDocuments, ImportFile };
    Drop dropAt(const QMimeData* mime, QPoint pos) const;
    // Hands the tabs on show to the document, which saves them.
    void noteShownTabs();
    // Keeps the window's layout for the document's file, for the next time it opens.
    void rememberLayout();
    // Save / Discard / Cancel before the changes would be lost; false for Cancel or a failed
    // save.
    bool mayDiscardChanges();

    Application* m_app;
    std::unique_ptr<Document> m_doc;
    std::unique_ptr<WindowState> m_state;
    std::unique_ptr<UndoStack> m_stack;
    QString m_path;
    QString m_recoveryId;
    DocumentActions m_actions;
    QTabWidget* m_tabs = nullptr;
    DatabaseTab* m_database = nullptr;
    PrototypeTab* m_prototypes = nullptr;
    MergeTab* m_merge = nullptr;
    PreviewTab* m_preview = nullptr;
    RunTab* m_run = nullptr;
    QLabel* m_missingDestination = nullptr;
    QLabel* m_recordCount = nullptr;
    UndoKeyForwarder* m_undoKeys = nullptr;
    QTimer* m_recoveryTimer = nullptr;
    QTimer* m_nameFocusTimer = nullptr;
    QTimer* m_templateFocusTimer = nullptr;
    // The change count the recovery copy holds; -1 when there is no copy.
    qint64 m_recoveredChangeCount = -1;
    // Reopened from a recovery copy and not saved since: edited, whatever the change count.
    bool m_fromRecoveryCopy = false;
    int m_defaultsObserver = -1;
    WindowLayout* m_layout = nullptr;
};

} // namespace quillory
