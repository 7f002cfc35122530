#pragma once

#include "core/alert.h"
#include "core/documentcontents.h"
#include "core/fieldkey.h"
#include "core/generateditem.h"
#include "core/importtarget.h"
#include "core/innerkeynumbers.h"
#include "core/prototype.h"
#include "core/record.h"
#include "core/undomanager.h"
#include "core/userdefaults.h"
#include "templates/countertext.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quillory {

// How a record table is sorted by the user: by one field's text, case-insensitively.
struct RecordSort
{
    QString innerKey;
    bool ascending = true;
};

// Which tag pop-up menu a list of tag items is for.
enum class TagPopUp { MultiName, MergeText, MergeTextOne, MergeSeparator };

// One item of a tag pop-up menu: its title (the tag) and the command it sends.
struct TagMenuItem
{
    QString title;
    QString action;
    bool operator==(const TagMenuItem&) const = default;
};

// One merge project: field keys, records, Prototypes, destination and the last shown tabs
// (all saved), plus the state rebuilt while it is open. Owns its undo history.
//
// The document is the one writer of its lists: every change goes through an operation here
// that makes the change, marks the document edited and announces the rows it touched, so that
// views over the lists stay in step with them.
class Document : public QObject, public ImportTarget
{
    Q_OBJECT
public:
    static constexpr quint64 kAppVersion = 10000;

    // A new document (no keys yet: see prepareOpened). defaults is not owned;
    // without one, the registered defaults are used.
    explicit Document(UserDefaults* defaults = nullptr, QObject* parent = nullptr);
    ~Document() override;

    // ---- Persistent state -------------------------------------------------------------
    const std::vector<FieldKey>& keyArray() const override { return m_keyArray; }
    const std::vector<Record>& dataArray() const { return m_dataArray; }
    const std::vector<PrototypePtr>& universalFilePrototypeArray() const { return m_prototypes; }
    bool selectedDestinationDefined() const { return m_destinationDefined; }
    void setSelectedDestinationDefined(bool d) { m_destinationDefined = d; }
    const std::optional<QByteArray>& selectedDestinationBookmark() const { return m_bookmark; }
    void setSelectedDestinationBookmark(std::optional<QByteArray> b) { m_bookmark = std::move(b); }
    QString mainTabId() const { return m_mainTabId; }
    void setMainTabId(const QString& id);
    QString secTabId() const { return m_secTabId; }
    void setSecTabId(const QString& id);
    // Root entries of a read file that this release does not know; written back unchanged.
    const std::vector<std::pair<QString, Value>>& unknownEntries() const
    {
        return m_unknownEntries;
    }

    // ---- Services ---------------------------------------------------------------------
    UndoManager& undoManager() { return m_undo; }
    UserDefaults& userDefaults() const { return *m_defaults; }
    // The clock behind date tags; tests fix it.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    QDateTime now() const { return m_clock(); }
    const std::function<QDateTime()>& clock() const { return m_clock; }

    // Change count: every change marks the document edited.
    void updateChangeCount();
    bool isDocumentEdited() const { return m_changeCount != 0; }
    qint64 changeCount() const { return m_changeCount; }
    void markSaved() { m_changeCount = 0; }

    // Replaces everything saved with what a read decoded (no change is counted: the document
    // is as its file); the views start afresh.
    void setContents(DocumentContents contents);

    // Model steps of the window set-up: built-in keys, then the largest counter.
    // (The generated items are rebuilt by the merge library.)
    void prepareOpened();

    // ---- Tabs -------------------------------------------------------------------------
    void switchMainTabToDatabase() { setMainTabId(QStringLiteral("db")); }
    void switchMainTabToFilePrototype() { setMainTabId(QStringLiteral("file")); }
    void switchMainTabToMergePrototype() { setMainTabId(QStringLiteral("merge")); }
    void switchMainTabToPreview() { setMainTabId(QStringLiteral("preview")); }
    void switchMainTabToRun() { setMainTabId(QStringLiteral("run")); }
    void switchSecTabToFilePrototypeOne();
    void switchSecTabToFilePrototypeMulti();

    // ---- Field keys -------------------------------------------------------------------
    void addBuiltInKeys();
    int unusedInnerKeyNumber();
    // Adds a user field named name ("KEYn" when name is blank): every record gets "" under it;
    // returns its inner key.
    QString insertField(const QString& name = {}) override;
    // The user's add-field command: shows the database tab, then insertField.
    QString addField();
    static QString tagFromKey(const QString& name);
    // The items after the three fixed ones of a tag pop-up menu.
    std::vector<TagMenuItem> tagPopUpItems(TagPopUp which) const;
    // Selection of the key table (position in keyArray), -1 for none.
    int selectedKeyIndex() const { return m_selectedKeyIndex; }
    void setSelectedKeyIndex(int index);
    bool canDeleteSelectedKey() const;
    // The user typed a new name for the key at index. Empty or white-space names are reverted
    // to the previous name; returns whether the new name was kept.
    bool renameKey(int index, const QString& newName);
    // The confirmation to show before deleting the selected key, or none when the command
    // does not apply (no user key selected).
    std::optional<Alert> deleteSelectedKey() const;
    // The "Delete" answer: removes the selected user key and its entry from every record.
    bool deleteSelectedKeyConfirmed();
    // Positions of the user keys named name, or of the user key with inner key N when written
    // "#N" (several when names repeat; empty when none matches).
    std::vector<int> keyIndicesForName(const QString& nameOrInnerRef) const;

    // ---- Records ----------------------------------------------------------------------
    std::optional<QString> searchText() const { return m_searchText; }
    void setSearchText(std::optional<QString> s);
    bool recordPassesSearch(const Record& r) const;
    void setDataSort(std::optional<RecordSort> s);
    void setAllDataSort(std::optional<RecordSort> s);
    // The database table's records: those that pass the search, in the user's sort.
    std::vector<Record> arrangedRecords() const;
    // All records in the user's sort (destination and preview tables).
    std::vector<Record> allArrangedRecords() const;
    // Whether those lists are the stored records in their stored order (no search, no sort).
    bool recordsArrangedAsStored() const
    {
        return !m_dataSort && (!m_searchText || m_searchText->isEmpty());
    }
    bool allRecordsArrangedAsStored() const { return !m_allDataSort; }
    // Selection of the database table / of the all-records tables.
    Record selectedRecord() const { return m_selectedRecord; }
    void setSelectedRecord(Record r) { m_selectedRecord = std::move(r); }
    Record allDataSelectedRecord() const { return m_allDataSelectedRecord; }
    void setAllDataSelectedRecord(Record r) { m_allDataSelectedRecord = std::move(r); }

    // A record not yet in the list: "" for every field, the next counter, not checked.
    Record newRecord() const;
    // The largest counter among the records the search lists (0 for none); the largest
    // among all stored records.
    qint64 largestListedCounter() const;
    qint64 largestStoredCounter() const override;
    // The add-record command: shows the database tab, appends a new record and selects it.
    void addRecord();
    // Undoable append ("Add Record") and removal ("Delete Record"); an undone removal puts the
    // record back at the end.
    void appendRecord(const Record& r);
    void deleteRecord(const Record& r);
    // The delete-record command: the selected record, while the database tab is shown.
    void deleteSelectedRecord();
    // The user edited one value of a record in the list (the checked mark included).
    void setRecordValue(const Record& r, const QString& innerKey, const Value& value);
    // Position of a record in dataArray, -1 when it is not there.
    qsizetype indexOfRecord(const Record& r) const;
    void updateIsCheckedRecords();
    bool isCheckedRecords() const { return m_isCheckedRecords; }
    qint64 checkedRecordCount() const;
    bool hasCheckedRecords() const { return checkedRecordCount() > 0; }
    void checkAllRecords();
    void uncheckAllRecords();
    void invertCheckRecords();
    // Whether "delete checked" takes the record: checked, and listed by the search. The
    // confirmation's count and the removal both use it, so they always agree.
    bool isDeletedWithChecked(const Record& r) const;
    // The confirmation of deleteCheckedRecords, with the number that "OK" removes.
    Alert confirmDeleteChecked() const;
    qint64 deleteCheckedRecords();
    void renumberRecords();
    // Recalculates the largest counter that counter texts are padded to.
    void recalcLargestCounter();
    qint64 largestCounter() const { return m_largestCounter; }
    CounterFormat counterFormat() const;
    // The counter as shown in the tables and substituted for "<#>".
    QString counterText(qint64 counter) const;

    // ---- Tag substitution ---------------------------------------------------------------
    std::optional<QString> substituteFieldTags(const std::optional<QString>& tmpl,
                                               const Record& dbRec) const;
    std::optional<QString> substituteStandardTags(const std::optional<QString>& tmpl) const;

    // ---- Import -------------------------------------------------------------------------
    // Appends the records an import made, then ends the import: search cleared, one change,
    // checked state and largest counter.
    void appendImportedRecords(ImportBatch batch) override;
    void appendImportedRecords(std::vector<Record> records)
    {
        appendImportedRecords(ImportBatch::of(std::move(records)));
    }

    // ---- Prototypes ---------------------------------------------------------------------
    // Appends proto unless it is already listed; false when nothing changed.
    bool appendPrototype(const PrototypePtr& proto);
    // Removes proto and clears it from the Prototype selections; false when it is not listed.
    bool removePrototype(const PrototypePtr& proto);
    // Store one value of a listed Prototype; false when nothing changed.
    bool setPrototypePath(const PrototypePtr& proto, const QString& path);
    bool setPrototypeTemplate(const PrototypePtr& proto, TemplateKey key, const QString& text);
    bool setPrototypeFolder(const PrototypePtr& proto, bool isFolder);
    // Position in universalFilePrototypeArray, -1 when the Prototype is not in it.
    qsizetype indexOfPrototype(const PrototypePtr& proto) const;

    // ---- Transient state kept for the window and the merge --------------------------------
    const std::vector<GeneratedItem>& generatedItems() const { return m_generatedItems; }
    void setGeneratedItems(std::vector<GeneratedItem> items);

    // Prototype selections of the views over universalFilePrototypeArray.
    PrototypePtr oneSelectedPrototype() const { return m_oneSelected; }
    void setOneSelectedPrototype(PrototypePtr p);
    PrototypePtr multiSelectedPrototype() const { return m_multiSelected; }
    void setMultiSelectedPrototype(PrototypePtr p);
    PrototypePtr mergeSelectedPrototype() const { return m_mergeSelected; }
    void setMergeSelectedPrototype(PrototypePtr p) { m_mergeSelected = std::move(p); }
    PrototypePtr previewSelectedPrototype() const { return m_previewSelected; }
    void setPreviewSelectedPrototype(PrototypePtr p) { m_previewSelected = std::move(p); }
    // Selected generated item of the merge and preview tables.
    std::optional<GeneratedItem> mergeSelectedItem() const { return m_mergeSelectedItem; }
    void setMergeSelectedItem(std::optional<GeneratedItem> i)
    {
        m_mergeSelectedItem = std::move(i);
    }
    std::optional<GeneratedItem> previewSelectedItem() const { return m_previewSelectedItem; }
    void setPreviewSelectedItem(std::optional<GeneratedItem> i)
    {
        m_previewSelectedItem = std::move(i);
    }

    // Example names, previews and the run log (window state, never saved).
    std::optional<QString> oneNameOfFileExample;
    std::optional<QString> multiNameOfFileExample;
    std::optional<QString> mergeNameOfFileExample;
    bool oneNameOfFileExampleUsesFullPath = false;
    bool multiNameOfFileExampleUsesFullPath = false;
    bool mergeNameOfFileExampleUsesFullPath = false;
    std::optional<QString> previewNameOfFile;
    std::optional<QString> previewContentOfFile;
    bool previewNameOfFileUsesFullPath = false;
    QString logText;

signals:
    // The field list: replaced, or one row inserted, removed or renamed.
    void keysReset();
    void keyInserted(int index);
    void keyRemoved(int index);
    void keyRenamed(int index);
    // The record list was replaced or lost scattered rows: read it again.
    void recordsReset();
    void recordsInserted(qsizetype first, qsizetype count);
    void recordRemoved(qsizetype index);
    void recordChanged(qsizetype index);
    // Values of many records changed in place (check all, uncheck all, invert, renumber).
    void recordValuesChanged();
    // The search or the database table's sort changed which records are listed, or their
    // order.
    void arrangementChanged();
    // The sort of the tables that list all records changed.
    void allRecordsSortChanged();
    void prototypesReset();
    void prototypeInserted(qsizetype index);
    void prototypeRemoved(qsizetype index);
    void prototypeChanged(qsizetype index);
    void generatedItemsChanged();
    // The counter-format user defaults changed: counter texts read differently now.
    void counterFormatChanged();
    // The selected Prototype of the All in One or One per Record view changed.
    void prototypeSelectionChanged();
    void tabChanged();
    void edited();

private:
    void undoAppendRecord(const Record& r);
    void undoDeleteRecord(const Record& r);
    void removeRecordAt(qsizetype index);
    // A record leaving the list while an undo or redo step keeps it: field additions and
    // deletions reach it too, so that it comes back with exactly the document's fields.
    void holdForUndo(const Record& r);
    void forEachHeldRecord(const std::function<void(const Record&)>& apply);
    void setListedChecks(const std::function<bool(bool)>& mark, bool updateState);
    qint64 largestCounterWhere(const std::function<bool(const Record&)>& counts) const;
    std::vector<Record> sortedRecords(std::vector<Record> records,
                                      const std::optional<RecordSort>& sort) const;

    std::vector<FieldKey> m_keyArray;
    InnerKeyNumbers m_innerKeyNumbers; // follows m_keyArray
    std::vector<Record> m_dataArray;
    std::vector<PrototypePtr> m_prototypes;
    bool m_destinationDefined = false;
    std::optional<QByteArray> m_bookmark;
    QString m_mainTabId = QStringLiteral("db");
    QString m_secTabId = QStringLiteral("one");
    std::vector<std::pair<QString, Value>> m_unknownEntries;

    UndoManager m_undo;
    std::vector<std::weak_ptr<PackedRecord>> m_heldRecords;
    std::unique_ptr<UserDefaults> m_ownDefaults;
    UserDefaults* m_defaults = nullptr;
    std::function<QDateTime()> m_clock;
    qint64 m_changeCount = 0;

    int m_selectedKeyIndex = -1;
    std::optional<QString> m_searchText;
    std::optional<RecordSort> m_dataSort;
    std::optional<RecordSort> m_allDataSort;
    Record m_selectedRecord;
    Record m_allDataSelectedRecord;
    bool m_isCheckedRecords = false;
    qint64 m_largestCounter = 0;

    std::vector<GeneratedItem> m_generatedItems;
    PrototypePtr m_oneSelected, m_multiSelected, m_mergeSelected, m_previewSelected;
    std::optional<GeneratedItem> m_mergeSelectedItem, m_previewSelectedItem;
};

} // namespace quillory
