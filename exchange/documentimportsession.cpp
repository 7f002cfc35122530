#include "exchange/documentimportsession.h"

#include "core/document.h"

#include <limits>

namespace quillory {

namespace {

qint64 incremented(qint64 n)
{
    // Counters stop at the largest number rather than wrap around to negative ones.
    return n < std::numeric_limits<qint64>::max() ? n + 1 : n;
}

} // namespace

DocumentImportSession::DocumentImportSession(std::vector<Record>* dataArray,
                                         std::vector<FieldKey>* keyArray, ImportTarget* sender)
    : ImportSession(dataArray, keyArray, sender)
{
    m_destinationKeys = {kNoImport, QString(), kNewField, QString()};
}

DocumentImportSession::DocumentImportSession(Document& document)
    : DocumentImportSession(&document.dataArray(), &document.keyArray(), &document)
{}

qint64 DocumentImportSession::firstNewCounter() const
{
    qint64 largest = 0;
    if (outsideDataArray()) {
        for (const Record& record : *outsideDataArray()) {
            const Value* counter = record ? record->find(kCounterKey) : nullptr;
            if (counter && counter->isNumber())
                largest = std::max(largest, counter->toInteger());
        }
    }
    return incremented(largest);
}

void DocumentImportSession::clearSharedDestinations(int row)
{
    if (row < 0 || size_t(row) >= m_mappingRows.size())
        return;
    const int d = m_mappingRows[size_t(row)].destination;
    for (size_t i = 0; i < m_mappingRows.size(); ++i) {
        ImportMappingRow& r = m_mappingRows[i];
        if (i == size_t(row))
            setMapping(r, d);
        else if (d >= rowToStartCascadeAssignment && r.destination == d)
            setMapping(r, kNoImportDestination);
    }
    countImportedFields();
}

void DocumentImportSession::preImportSettings()
{
    m_nextCounter = firstNewCounter();
    m_destinationMenuTitles = m_destinationMenuTitles.mid(0, rowToStartCascadeAssignment);
    m_destinationKeys = m_destinationKeys.mid(0, rowToStartCascadeAssignment);
    if (!outsideKeyArray())
        return;
    const auto& keys = *outsideKeyArray();
    for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i) {
        m_destinationMenuTitles.append(keys[i].publicKey.isEmpty() ? QStringLiteral("-")
                                                                   : keys[i].publicKey);
        m_destinationKeys.append(keys[i].innerKey);
    }
}

void DocumentImportSession::willImport()
{
    const ImportRows& rows = importRows();
    for (size_t column = 0; column < m_mappingRows.size(); ++column) {
        const QString entry =
            destinationAt(m_mappingRows[column].destination).value_or(QString());
        if (entry == kNewField) {
            if (!requester()) {
                m_columnInnerKeys.append(QString());
                continue;
            }
            const QString innerKey = requester()->insertField();
            m_columnInnerKeys.append(innerKey);
            const QStringView header = rows.element(0, qsizetype(column));
            // A blank header keeps the field's own name, as a rename to blank would.
            if (useHeaderNamesForNewFields() && !header.trimmed().isEmpty() && outsideKeyArray()) {
                for (FieldKey& key : *outsideKeyArray()) {
                    if (key.innerKey == innerKey)
                        key.publicKey = header.toString();
                }
            }
        } else if (entry == kNoImport || entry.isEmpty()) {
            m_columnInnerKeys.append(QString());
        } else {
            m_columnInnerKeys.append(entry);
        }
    }

    m_userInnerKeys.clear();
    if (outsideKeyArray()) {
        for (size_t i = kFirstUserKeyIndex; i < outsideKeyArray()->size(); ++i)
            m_userInnerKeys.push_back((*outsideKeyArray())[i].innerKey);
    }
}

Record DocumentImportSession::newImportRecord()
{
    Record record = Dict::make();
    record->entries.reserve(2 + m_userInnerKeys.size());
    record->entries.emplace_back(kCounterKey, Value::integer(m_nextCounter));
    record->entries.emplace_back(kCheckedKey, Value::boolean(false));
    for (const QString& key : m_userInnerKeys)
        record->entries.emplace_back(key, Value::string(QString()));
    m_nextCounter = incremented(m_nextCounter);
    return record;
}

void DocumentImportSession::didImport()
{
    if (requester())
        requester()->justFinishedImporting();
}

} // namespace quillory
