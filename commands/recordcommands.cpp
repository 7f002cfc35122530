#include "commands/recordcommands.h"

#include "commands/undostack.h"
#include "core/document.h"

#include <algorithm>
#include <unordered_set>

namespace quillory::commands {

namespace {

class AddRecord : public Command
{
public:
    AddRecord(Document& doc, Record record) : m_doc(doc), m_record(std::move(record)) {}
    QString name() const override { return Document::tr("Add Record"); }
    void redo() override { m_doc.appendRecords({m_record}); }
    void undo() override { m_doc.removeRecords({m_doc.indexOfRecord(m_record)}); }

private:
    Document& m_doc;
    Record m_record;
};

// Removes records and puts them back at the positions they had.
class DeleteRecords : public Command
{
public:
    DeleteRecords(Document& doc, std::vector<Record> records, QString name)
        : m_doc(doc), m_records(std::move(records)), m_name(std::move(name))
    {}
    QString name() const override { return m_name; }
    void redo() override
    {
        std::vector<qsizetype> at;
        at.reserve(m_records.size());
        if (m_records.size() == 1) {
            at.push_back(m_doc.indexOfRecord(m_records.front()));
        } else {
            std::unordered_set<const PackedRecord*> doomed;
            for (const Record& r : m_records)
                doomed.insert(r.get());
            const auto& all = m_doc.dataArray();
            for (size_t i = 0; i < all.size(); ++i)
                if (doomed.count(all[i].get()))
                    at.push_back(qsizetype(i));
        }
        m_removed = m_doc.removeRecords(at);
    }
    void undo() override
    {
        m_doc.insertRecords(m_removed);
        m_removed.clear();
    }

private:
    Document& m_doc;
    std::vector<Record> m_records;
    QString m_name;
    std::vector<std::pair<qsizetype, Record>> m_removed;
};

class EditValue : public Command
{
public:
    EditValue(Document& doc, Record record, QString innerKey, Value after)
        : m_doc(doc), m_record(std::move(record)), m_innerKey(std::move(innerKey)),
          m_before(m_record->value(m_innerKey)), m_hadValue(m_record->contains(m_innerKey)),
          m_after(std::move(after))
    {
        const int field = doc.indexOfField(m_innerKey);
        const QString fieldName = field >= 0 ? doc.keyArray()[size_t(field)].publicKey : QString();
        if (m_innerKey == kCheckedKey)
            m_name = m_after.toBool() ? Document::tr("Check") : Document::tr("Uncheck");
        else
            m_name = Document::tr("Typing in %1").arg(fieldName);
    }
    QString name() const override { return m_name; }
    void redo() override { m_doc.setRecordValue(m_record, m_innerKey, m_after); }
    void undo() override
    {
        if (m_hadValue)
            m_doc.setRecordValue(m_record, m_innerKey, m_before);
        else
            m_doc.setRecordValue(m_record, m_innerKey, Value());
    }
    bool absorb(const Command& next) override
    {
        const auto* edit = dynamic_cast<const EditValue*>(&next);
        if (!edit || edit->m_record != m_record || edit->m_innerKey != m_innerKey ||
            m_innerKey == kCheckedKey)
            return false;
        m_after = edit->m_after;
        return true;
    }

private:
    Document& m_doc;
    Record m_record;
    QString m_innerKey;
    Value m_before;
    bool m_hadValue;
    Value m_after;
    QString m_name;
};

// New values under one key for several records, and the values they had.
class SetValues : public Command
{
public:
    SetValues(Document& doc, QString name, QString innerKey,
              std::vector<std::pair<Record, Value>> after)
        : m_doc(doc), m_name(std::move(name)), m_innerKey(std::move(innerKey)),
          m_after(std::move(after))
    {
        m_before.reserve(m_after.size());
        for (const auto& [r, v] : m_after)
            m_before.emplace_back(r, r->value(m_innerKey));
    }
    QString name() const override { return m_name; }
    void redo() override { m_doc.setRecordValues(m_innerKey, m_after); }
    void undo() override { m_doc.setRecordValues(m_innerKey, m_before); }

private:
    Document& m_doc;
    QString m_name;
    QString m_innerKey;
    std::vector<std::pair<Record, Value>> m_after;
    std::vector<std::pair<Record, Value>> m_before;
};

class ReorderRecords : public Command
{
public:
    ReorderRecords(Document& doc, std::vector<Record> after)
        : m_doc(doc), m_before(doc.dataArray()), m_after(std::move(after))
    {}
    QString name() const override { return Document::tr("Sort Records"); }
    void redo() override { m_doc.reorderRecords(m_after); }
    void undo() override { m_doc.reorderRecords(m_before); }

private:
    Document& m_doc;
    std::vector<Record> m_before;
    std::vector<Record> m_after;
};

} // namespace

Record addRecord(UndoStack& stack, const RecordArrangement& listed)
{
    Document& doc = stack.document();
    Record r = doc.newRecord(listed.largestCounter(doc));
    stack.push(std::make_unique<AddRecord>(doc, r));
    return r;
}

bool deleteRecords(UndoStack& stack, const std::vector<Record>& records)
{
    Document& doc = stack.document();
    std::vector<Record> listed;
    if (records.size() == 1) {
        if (doc.indexOfRecord(records.front()) >= 0)
            listed = records;
    } else {
        std::unordered_set<const PackedRecord*> stored;
        for (const Record& r : doc.dataArray())
            stored.insert(r.get());
        for (const Record& r : records)
            if (r && stored.erase(r.get()))
                listed.push_back(r);
    }
    if (listed.empty())
        return false;
    const QString name =
        listed.size() == 1 ? Document::tr("Delete Record") : Document::tr("Delete Records");
    stack.push(std::make_unique<DeleteRecords>(doc, std::move(listed), name));
    return true;
}

bool editValue(UndoStack& stack, const Record& record, const QString& innerKey, const Value& value)
{
    Document& doc = stack.document();
    if (!record || doc.indexOfRecord(record) < 0 || record->value(innerKey) == value)
        return false;
    stack.push(std::make_unique<EditValue>(doc, record, innerKey, value));
    return true;
}

void changeChecks(UndoStack& stack, const RecordArrangement& listed, CheckChange change)
{
    Document& doc = stack.document();
    std::vector<std::pair<Record, Value>> marks;
    for (const Record& r : doc.dataArray()) {
        if (!listed.passes(doc, r))
            continue;
        const bool checked = r->value(kCheckedKey).toBool();
        const bool now = change == CheckChange::CheckAll     ? true
                         : change == CheckChange::UncheckAll ? false
                                                             : !checked;
        marks.emplace_back(r, Value::boolean(now));
    }
    if (marks.empty())
        return;
    const QString name = change == CheckChange::CheckAll     ? Document::tr("Check All")
                         : change == CheckChange::UncheckAll ? Document::tr("Uncheck All")
                                                             : Document::tr("Invert Checks");
    stack.push(std::make_unique<SetValues>(doc, name, kCheckedKey, std::move(marks)));
}

std::vector<Record> checkedRecords(const UndoStack& stack, const RecordArrangement& listed)
{
    const Document& doc = stack.document();
    std::vector<Record> found;
    for (const Record& r : doc.dataArray())
        if (r->value(kCheckedKey).toBool() && listed.passes(doc, r))
            found.push_back(r);
    return found;
}

qint64 deleteChecked(UndoStack& stack, const RecordArrangement& listed)
{
    std::vector<Record> doomed = checkedRecords(stack, listed);
    if (doomed.empty())
        return 0;
    const qint64 n = qint64(doomed.size());
    stack.push(std::make_unique<DeleteRecords>(stack.document(), std::move(doomed),
                                               Document::tr("Delete Checked")));
    return n;
}

void renumber(UndoStack& stack, const RecordArrangement& listed)
{
    Document& doc = stack.document();
    std::vector<std::pair<Record, Value>> counters;
    qint64 n = 0;
    for (const Record& r : listed.arrange(doc))
        counters.emplace_back(r, Value::integer(++n));
    if (counters.empty())
        return;
    stack.push(std::make_unique<SetValues>(doc, Document::tr("Renumber"), kCounterKey,
                                           std::move(counters)));
}

void sortRecords(UndoStack& stack, const RecordSort& sort)
{
    Document& doc = stack.document();
    std::vector<Record> order = RecordArrangement::sorted(doc.dataArray(), sort);
    if (order == doc.dataArray())
        return;
    stack.push(std::make_unique<ReorderRecords>(doc, std::move(order)));
}

} // namespace quillory::commands
