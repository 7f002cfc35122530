#include "io/mydataimportmanager.h"

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

MyDataImportManager::MyDataImportManager(std::vector<Record>* dataArray,
                                         std::vector<FieldKey>* keyArray, KWImporter* sender)
    : KWDataImportManager(dataArray, keyArray, sender)
{
    m_importFieldKeyArray = {kNoImport, QString(), kNewField, QString()};
}

MyDataImportManager::MyDataImportManager(Document& document)
    : MyDataImportManager(&document.dataArray(), &document.keyArray(), &document)
{}

qint64 MyDataImportManager::newSerialNum() const
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

void MyDataImportManager::manageDataLoadingPopUpSelected(int row)
{
    if (row < 0 || size_t(row) >= m_destFieldArray.size())
        return;
    const int d = m_destFieldArray[size_t(row)].destination;
    for (size_t i = 0; i < m_destFieldArray.size(); ++i) {
        ImportMappingRow& r = m_destFieldArray[i];
        if (i == size_t(row))
            setMapping(r, d);
        else if (d >= rowToStartCascadeAssignment && r.destination == d)
            setMapping(r, kNoImportDestination);
    }
    calcNumberOfImportedFields();
}

void MyDataImportManager::preImportSettings()
{
    m_nextCounter = newSerialNum();
    m_destinationMenuTitles = m_destinationMenuTitles.mid(0, rowToStartCascadeAssignment);
    m_importFieldKeyArray = m_importFieldKeyArray.mid(0, rowToStartCascadeAssignment);
    if (!outsideKeyArray())
        return;
    const auto& keys = *outsideKeyArray();
    for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i) {
        m_destinationMenuTitles.append(keys[i].publicKey.isEmpty() ? QStringLiteral("-")
                                                                   : keys[i].publicKey);
        m_importFieldKeyArray.append(keys[i].innerKey);
    }
}

void MyDataImportManager::willImport()
{
    const ImportRows& rows = importRows();
    for (size_t column = 0; column < m_destFieldArray.size(); ++column) {
        const QString entry =
            fromIndexNumberToFieldKey(m_destFieldArray[column].destination).value_or(QString());
        if (entry == kNewField) {
            if (!requester()) {
                m_innerKeyFinalDestinationArray.append(QString());
                continue;
            }
            const QString innerKey = requester()->insertNewColumnInTable();
            m_innerKeyFinalDestinationArray.append(innerKey);
            const QStringView header = rows.element(0, qsizetype(column));
            // A blank header keeps the field's own name, as a rename to blank would.
            if (useHeaderNamesForNewFields() && !header.trimmed().isEmpty() && outsideKeyArray()) {
                for (FieldKey& key : *outsideKeyArray()) {
                    if (key.innerKey == innerKey)
                        key.publicKey = header.toString();
                }
            }
        } else if (entry == kNoImport || entry.isEmpty()) {
            m_innerKeyFinalDestinationArray.append(QString());
        } else {
            m_innerKeyFinalDestinationArray.append(entry);
        }
    }

    m_userInnerKeys.clear();
    if (outsideKeyArray()) {
        for (size_t i = kFirstUserKeyIndex; i < outsideKeyArray()->size(); ++i)
            m_userInnerKeys.push_back((*outsideKeyArray())[i].innerKey);
    }
}

Record MyDataImportManager::createNewObjectToImport()
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

void MyDataImportManager::didImport()
{
    if (requester())
        requester()->justFinishedImporting();
}

} // namespace quillory
