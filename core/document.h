#pragma once

#include "core/documentcontents.h"
#include "core/fieldkey.h"
#include "core/innerkeynumbers.h"
#include "core/prototype.h"
#include "core/record.h"
#include "core/tabids.h"
#include "core/userdefaults.h"
#include "templates/countertext.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quillory {

// A user field taken out of the document, with every value it held, so that putting it back
// restores exactly what was there. values[i] belongs to the i-th record of the list as it was;
// a record that held nothing under the field has none.
struct RemovedField
{
    int index = -1;
    FieldKey key;
    std::vector<std::optional<Value>> values;
};

// One merge project: the fields, records, Prototypes, destination and the tabs it was saved
// on, with the entries of its file that this release does not know. It holds what is saved and
// what follows from it (the largest counter, whether any record is checked), and nothing of a
// window's.
//
// The operations below are the one way to change it: each makes its change, counts it and
// announces what it touched, so that views stay in step. They are the steps that the commands
// are made of (undo included); the user's actions go through the commands, never here.
// Records handed out are read-only.
class Document : public QObject
{
    Q_OBJECT
public:
    static constexpr quint64 kAppVersion = 10000;

    // A new document with the two built-in fields. defaults is not owned; without one, a
    // private set of the registered defaults is used.
    explicit Document(UserDefaults* defaults = nullptr, QObject* parent = nullptr);
    ~Document() override;

    // ---- What is saved ------------------------------------------------------------------
    const std::vector<FieldKey>& keyArray() const { return m_keyArray; }
    const std::vector<Record>& dataArray() const { return m_dataArray; }
    const std::vector<PrototypePtr>& universalFilePrototypeArray() const { return m_prototypes; }
    bool selectedDestinationDefined() const { return m_destinationDefined; }
    const std::optional<QByteArray>& selectedDestinationBookmark() const { return m_bookmark; }
    // The tabs the document was saved on; a window writes what it shows here before a save.
    QString mainTabId() const { return m_mainTabId; }
    QString secTabId() const { return m_secTabId; }
    // Root entries of a read file that this release does not know; written back unchanged.
    const std::vector<std::pair<QString, Value>>& unknownEntries() const
    {
        return m_unknownEntries;
    }

    // ---- What follows from it -------------------------------------------------------------
    // Whether any record is checked.
    bool isCheckedRecords() const { return m_isCheckedRecords; }
    qint64 checkedRecordCount() const;
    // The largest counter that counter texts are padded to: taken when the document is
    // opened and at the end of each import.
    qint64 largestCounter() const { return m_largestCounter; }
    // The largest counter among the stored records (0 for none).
    qint64 largestStoredCounter() const;
    qsizetype indexOfRecord(const Record& r) const;
    qsizetype indexOfPrototype(const PrototypePtr& proto) const;
    int indexOfField(const QString& innerKey) const;
    // Positions of the user fields named name, or of the one with inner key N when written
    // "#N" (several when names repeat; empty when none matches).
    std::vector<int> keyIndicesForName(const QString& nameOrInnerRef) const;
    // The inner key the next new field takes: the lowest number no field uses.
    QString unusedInnerKey() const;
    // A record not yet in the list: "" for every field, the counter after `after`, unchecked.
    MutableRecord newRecord(qint64 after) const;

    // ---- Services -----------------------------------------------------------------------
    UserDefaults& userDefaults() const { return *m_defaults; }
    // The clock behind date tags; tests fix it.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    QDateTime now() const { return m_clock(); }
    const std::function<QDateTime()>& clock() const { return m_clock; }
    CounterFormat counterFormat() const;
    // The counter as shown in the tables and substituted for "<#>".
    QString counterText(qint64 counter) const;

    // Change count: every operation below counts one change.
    bool isDocumentEdited() const { return m_changeCount != 0; }
    qint64 changeCount() const { return m_changeCount; }
    void markSaved() { m_changeCount = 0; }

    // ---- Operations ---------------------------------------------------------------------
    // Everything saved at once, as a read decoded it (counted as no change); a contents
    // without fields gets the built-in ones.
    void setContents(DocumentContents contents);
    // The tabs to save; not a change of the document's data, so not counted.
    void setSavedTabs(const QString& mainTabId, const QString& secTabId);

    // Inserts key at index (a user position); every record listed gets "" under it.
    void insertField(int index, const FieldKey& key);
    // Puts a removed field back where it was, with the values it held.
    void restoreField(const RemovedField& removed);
    // Removes the user field at index and its entry from every record listed.
    RemovedField removeField(int index);
    // Gives the user field at index a new visible name.
    void renameField(int index, const QString& name);

    // Inserts each record at its position, in ascending order of the positions as they are
    // once all are in.
    void insertRecords(const std::vector<std::pair<qsizetype, Record>>& placed);
    void appendRecords(std::vector<Record> records);
    // Removes the records at the given ascending positions; gives them with their positions.
    std::vector<std::pair<qsizetype, Record>> removeRecords(const std::vector<qsizetype>& at);
    // Removes the last n records.
    std::vector<Record> removeLastRecords(size_t n);
    // One value of a listed record; several records' values under one key.
    void setRecordValue(const Record& r, const QString& innerKey, const Value& value);
    void setRecordValues(const QString& innerKey,
                         const std::vector<std::pair<Record, Value>>& values);
    // The same records in another order.
    void reorderRecords(std::vector<Record> order);
    // Works the largest counter out again over all records.
    void recalcLargestCounter();
    void setLargestCounter(qint64 counter);

    void insertPrototype(qsizetype index, const PrototypePtr& proto);
    void removePrototype(qsizetype index);
    void setPrototypePath(const PrototypePtr& proto, const QString& path);
    void setPrototypeTemplate(const PrototypePtr& proto, TemplateKey key, const QString& text);
    void setPrototypeFolder(const PrototypePtr& proto, bool isFolder);

    void setDestination(bool defined, std::optional<QByteArray> bookmark);

signals:
    // The field list: replaced, or one row inserted, removed or renamed.
    void keysReset();
    void keyInserted(int index);
    void keyRemoved(int index);
    void keyRenamed(int index);
    // The record list was replaced or lost or gained scattered rows: read it again.
    void recordsReset();
    void recordsInserted(qsizetype first, qsizetype count);
    void recordRemoved(qsizetype index);
    void recordChanged(qsizetype index);
    // Values of many records changed in place (checks, counters).
    void recordValuesChanged();
    void prototypesReset();
    void prototypeInserted(qsizetype index);
    void prototypeRemoved(qsizetype index);
    void prototypeChanged(qsizetype index);
    void destinationChanged();
    // Any counted change.
    void edited();

private:
    void changed();
    void addBuiltInKeys();
    void updateIsCheckedRecords();
    // The document is the one writer of its records: the one place they are made writable.
    static PackedRecord& writable(const Record& r);

    std::vector<FieldKey> m_keyArray;
    mutable InnerKeyNumbers m_innerKeyNumbers; // follows m_keyArray
    std::vector<Record> m_dataArray;
    std::vector<PrototypePtr> m_prototypes;
    bool m_destinationDefined = false;
    std::optional<QByteArray> m_bookmark;
    QString m_mainTabId = TabIds::kDatabase;
    QString m_secTabId = TabIds::kAllInOne;
    std::vector<std::pair<QString, Value>> m_unknownEntries;

    std::unique_ptr<UserDefaults> m_ownDefaults;
    UserDefaults* m_defaults = nullptr;
    std::function<QDateTime()> m_clock;
    qint64 m_changeCount = 0;
    bool m_isCheckedRecords = false;
    qint64 m_largestCounter = 0;
};

} // namespace quillory
