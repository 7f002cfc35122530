#pragma once

#include "core/importtarget.h"
#include "core/innerkeynumbers.h"

#include <QString>

#include <vector>

namespace quillory {

class UndoStack;

// What an import adds, gathered while the import runs and done as one undoable step when it
// ends ("Import of clients.csv"): the fields it makes, then its records. Undoing removes both.
// Until the import ends the document is untouched, so an import given up changes nothing.
class ImportStep : public ImportTarget
{
public:
    ImportStep(UndoStack& stack, QString fileName);

    const std::vector<FieldKey>& keyArray() const override { return m_keys; }
    qint64 largestStoredCounter() const override;
    QString insertField(const QString& name = {}) override;
    void appendImportedRecords(ImportBatch batch) override;

    // What the ended import added.
    size_t fieldsAdded() const { return m_newFields.size(); }
    size_t recordsAdded() const { return m_recordsAdded; }

private:
    UndoStack& m_stack;
    QString m_fileName;
    std::vector<FieldKey> m_keys;
    InnerKeyNumbers m_numbers;
    std::vector<FieldKey> m_newFields;
    size_t m_recordsAdded = 0;
};

} // namespace quillory
