#include "commands/importstep.h"

#include "commands/fieldcommands.h"
#include "commands/undostack.h"
#include "core/document.h"
#include "templates/stringutils.h"

namespace quillory {

namespace {

class Import : public Command
{
public:
    Import(Document& doc, QString fileName, std::vector<FieldKey> fields, ImportBatch batch)
        : m_doc(doc), m_fileName(std::move(fileName)), m_fields(std::move(fields)),
          m_count(batch.records.size()), m_records(std::move(batch.records)),
          m_largestBefore(doc.largestCounter())
    {
        RecordSummary all = RecordSummary::of(doc.dataArray());
        all.include(batch.summary);
        m_largestAfter = all.largestCounter.value_or(0);
    }
    QString name() const override { return Document::tr("Import of %1").arg(m_fileName); }
    void redo() override
    {
        for (const FieldKey& key : m_fields)
            m_doc.insertField(int(m_doc.keyArray().size()), key);
        m_doc.appendRecords(std::move(m_records));
        m_records.clear();
        m_doc.setLargestCounter(m_largestAfter);
    }
    void undo() override
    {
        m_records = m_doc.removeLastRecords(m_count);
        for (auto it = m_fields.rbegin(); it != m_fields.rend(); ++it)
            m_doc.removeField(m_doc.indexOfField(it->innerKey));
        m_doc.setLargestCounter(m_largestBefore);
    }

private:
    Document& m_doc;
    QString m_fileName;
    std::vector<FieldKey> m_fields;
    size_t m_count;
    // The records while they are out of the document.
    std::vector<Record> m_records;
    qint64 m_largestBefore;
    qint64 m_largestAfter = 0;
};

} // namespace

ImportStep::ImportStep(UndoStack& stack, QString fileName)
    : m_stack(stack), m_fileName(std::move(fileName)), m_keys(stack.document().keyArray())
{
    m_numbers.reset(m_keys);
}

qint64 ImportStep::largestStoredCounter() const
{
    return m_stack.document().largestStoredCounter();
}

QString ImportStep::insertField(const QString& name)
{
    const QString inner = QString::number(m_numbers.lowestUnused());
    const std::optional<QString> given = StringUtils::removeInitialSpaces(name);
    const QString visible = given && !given->isEmpty() ? name : commands::defaultFieldName(inner);
    m_keys.push_back({inner, visible});
    m_numbers.add(inner);
    m_newFields.push_back(m_keys.back());
    return inner;
}

void ImportStep::appendImportedRecords(ImportBatch batch)
{
    m_recordsAdded = batch.records.size();
    if (batch.records.empty() && m_newFields.empty())
        return;
    m_stack.push(
        std::make_unique<Import>(m_stack.document(), m_fileName, m_newFields, std::move(batch)));
}

} // namespace quillory
