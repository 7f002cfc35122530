#include "core/document.h"

#include "core/recordsummary.h"
#include "core/userdefaultkeys.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace quillory {

namespace {

template <typename T> qsizetype indexIn(const std::vector<T>& list, const T& item)
{
    const auto it = std::find(list.begin(), list.end(), item);
    return (item && it != list.end()) ? qsizetype(it - list.begin()) : -1;
}

} // namespace

Document::Document(UserDefaults* defaults, QObject* parent) : QObject(parent), m_defaults(defaults)
{
    if (!m_defaults) {
        m_ownDefaults = std::make_unique<MemoryUserDefaults>();
        m_defaults = m_ownDefaults.get();
    }
    m_clock = [] { return QDateTime::currentDateTime(); };
    addBuiltInKeys();
}

Document::~Document() = default;

PackedRecord& Document::writable(const Record& r)
{
    return const_cast<PackedRecord&>(*r);
}

void Document::changed()
{
    ++m_changeCount;
    emit edited();
}

void Document::addBuiltInKeys()
{
    if (!m_keyArray.empty())
        return;
    m_keyArray.push_back({kCounterKey, QStringLiteral("#")});
    m_keyArray.push_back({kCheckedKey, QStringLiteral("sel")});
    m_innerKeyNumbers.reset(m_keyArray);
}

void Document::setContents(DocumentContents c)
{
    m_keyArray = std::move(c.keys);
    addBuiltInKeys();
    m_innerKeyNumbers.reset(m_keyArray);
    m_dataArray = std::move(c.records);
    m_destinationDefined = c.destinationDefined;
    m_bookmark = std::move(c.bookmark);
    m_prototypes = std::move(c.prototypes);
    m_unknownEntries = std::move(c.unknownEntries);
    m_mainTabId = c.mainTabId;
    m_secTabId = c.secTabId;
    updateIsCheckedRecords();
    recalcLargestCounter();
    emit keysReset();
    emit recordsReset();
    emit prototypesReset();
    emit destinationChanged();
}

void Document::setSavedTabs(const QString& mainTabId, const QString& secTabId)
{
    m_mainTabId = mainTabId;
    m_secTabId = secTabId;
}

// ---- Queries --------------------------------------------------------------------------------

qint64 Document::checkedRecordCount() const
{
    return std::count_if(m_dataArray.begin(), m_dataArray.end(),
                         [](const Record& r) { return r->value(kCheckedKey).toBool(); });
}

qint64 Document::largestStoredCounter() const
{
    return RecordSummary::of(m_dataArray).largestCounter.value_or(0);
}

qsizetype Document::indexOfRecord(const Record& r) const
{
    return indexIn(m_dataArray, r);
}

qsizetype Document::indexOfPrototype(const PrototypePtr& proto) const
{
    return indexIn(m_prototypes, proto);
}

int Document::indexOfField(const QString& innerKey) const
{
    for (size_t i = 0; i < m_keyArray.size(); ++i)
        if (m_keyArray[i].innerKey == innerKey)
            return int(i);
    return -1;
}

std::vector<int> Document::keyIndicesForName(const QString& nameOrInnerRef) const
{
    std::vector<int> found;
    const bool byInner = nameOrInnerRef.size() > 1 && nameOrInnerRef.startsWith(QLatin1Char('#'));
    const QString inner = byInner ? nameOrInnerRef.mid(1) : QString();
    for (int i = kFirstUserKeyIndex; i < int(m_keyArray.size()); ++i) {
        if (byInner ? m_keyArray[i].innerKey == inner : m_keyArray[i].publicKey == nameOrInnerRef)
            found.push_back(i);
    }
    // "#3" may also be the visible name of a field.
    if (found.empty() && byInner) {
        for (int i = kFirstUserKeyIndex; i < int(m_keyArray.size()); ++i)
            if (m_keyArray[i].publicKey == nameOrInnerRef)
                found.push_back(i);
    }
    return found;
}

QString Document::unusedInnerKey() const
{
    return QString::number(m_innerKeyNumbers.lowestUnused());
}

MutableRecord Document::newRecord(qint64 after) const
{
    std::vector<QString> keys;
    keys.reserve(m_keyArray.size());
    for (const FieldKey& k : m_keyArray)
        if (std::find(keys.begin(), keys.end(), k.innerKey) == keys.end())
            keys.push_back(k.innerKey);
    PackedRecord::Builder b(RecordKeys::make(std::move(keys)));
    for (qsizetype i = 0; i < b.keys()->size(); ++i)
        b.setText(i, QStringView());
    MutableRecord r = b.take();
    // The largest 64-bit counter stays where it is rather than wrapping to a negative one.
    r->set(kCounterKey,
           Value::integer(after == std::numeric_limits<qint64>::max() ? after : after + 1));
    r->set(kCheckedKey, Value::boolean(false));
    return r;
}

CounterFormat Document::counterFormat() const
{
    CounterFormat f;
    f.useLeading0 = m_defaults->boolValue(UserDefaultKeys::kUseLeading0);
    f.forceLeading0 = m_defaults->boolValue(UserDefaultKeys::kForceLeading0);
    f.forcedTotLen = m_defaults->integerValue(UserDefaultKeys::kForcedTotalLength);
    return f;
}

QString Document::counterText(qint64 counter) const
{
    return CounterText::format(counter, m_largestCounter, counterFormat());
}

// ---- Fields ---------------------------------------------------------------------------------

void Document::insertField(int index, const FieldKey& key)
{
    index = std::clamp(index, kFirstUserKeyIndex, int(m_keyArray.size()));
    const Value empty = Value::string(QString());
    for (const Record& r : m_dataArray)
        writable(r).set(key.innerKey, empty);
    m_keyArray.insert(m_keyArray.begin() + index, key);
    m_innerKeyNumbers.add(key.innerKey);
    changed();
    emit keyInserted(index);
}

void Document::restoreField(const RemovedField& removed)
{
    const int index = std::clamp(removed.index, kFirstUserKeyIndex, int(m_keyArray.size()));
    const QString& inner = removed.key.innerKey;
    const size_t known = std::min(removed.values.size(), m_dataArray.size());
    for (size_t i = 0; i < known; ++i)
        if (removed.values[i])
            writable(m_dataArray[i]).set(inner, *removed.values[i]);
    m_keyArray.insert(m_keyArray.begin() + index, removed.key);
    m_innerKeyNumbers.add(inner);
    changed();
    emit keyInserted(index);
}

RemovedField Document::removeField(int index)
{
    RemovedField removed;
    if (index < kFirstUserKeyIndex || index >= int(m_keyArray.size()))
        return removed;
    removed.index = index;
    removed.key = m_keyArray[size_t(index)];
    const QString& inner = removed.key.innerKey;
    // A damaged file may list an inner key twice: the values stay while another field has it.
    const bool shared = std::count_if(m_keyArray.begin(), m_keyArray.end(),
                                      [&](const FieldKey& k) { return k.innerKey == inner; }) > 1;
    if (!shared) {
        removed.values.reserve(m_dataArray.size());
        for (const Record& r : m_dataArray) {
            const qsizetype at = r->indexOf(inner);
            removed.values.push_back(at >= 0 ? std::optional<Value>(r->valueAt(at)) : std::nullopt);
            if (at >= 0)
                writable(r).remove(inner);
        }
    }
    m_keyArray.erase(m_keyArray.begin() + index);
    m_innerKeyNumbers.remove(inner);
    changed();
    emit keyRemoved(index);
    return removed;
}

void Document::renameField(int index, const QString& name)
{
    if (index < kFirstUserKeyIndex || index >= int(m_keyArray.size()) ||
        m_keyArray[size_t(index)].publicKey == name)
        return;
    m_keyArray[size_t(index)].publicKey = name;
    changed();
    emit keyRenamed(index);
}

// ---- Records --------------------------------------------------------------------------------

void Document::insertRecords(const std::vector<std::pair<qsizetype, Record>>& placed)
{
    if (placed.empty())
        return;
    for (const auto& [at, r] : placed)
        m_dataArray.insert(m_dataArray.begin() + std::clamp<qsizetype>(at, 0, m_dataArray.size()),
                           r);
    updateIsCheckedRecords();
    changed();
    if (placed.size() == 1)
        emit recordsInserted(indexOfRecord(placed.front().second), 1);
    else
        emit recordsReset();
}

void Document::appendRecords(std::vector<Record> records)
{
    if (records.empty())
        return;
    const qsizetype first = qsizetype(m_dataArray.size());
    RecordSummary added = RecordSummary::of(records);
    m_dataArray.reserve(m_dataArray.size() + records.size());
    std::move(records.begin(), records.end(), std::back_inserter(m_dataArray));
    m_isCheckedRecords = m_isCheckedRecords || added.anyChecked;
    changed();
    emit recordsInserted(first, qsizetype(m_dataArray.size()) - first);
}

std::vector<std::pair<qsizetype, Record>> Document::removeRecords(const std::vector<qsizetype>& at)
{
    std::vector<std::pair<qsizetype, Record>> removed;
    std::vector<bool> doomed(m_dataArray.size(), false);
    for (qsizetype i : at)
        if (i >= 0 && size_t(i) < m_dataArray.size() && !doomed[size_t(i)]) {
            doomed[size_t(i)] = true;
            removed.emplace_back(i, m_dataArray[size_t(i)]);
        }
    if (removed.empty())
        return removed;
    std::sort(removed.begin(), removed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t keep = 0;
    for (size_t i = 0; i < m_dataArray.size(); ++i)
        if (!doomed[i])
            m_dataArray[keep++] = std::move(m_dataArray[i]);
    m_dataArray.resize(keep);
    updateIsCheckedRecords();
    changed();
    if (removed.size() == 1)
        emit recordRemoved(removed.front().first);
    else
        emit recordsReset();
    return removed;
}

std::vector<Record> Document::removeLastRecords(size_t n)
{
    n = std::min(n, m_dataArray.size());
    std::vector<Record> removed(std::make_move_iterator(m_dataArray.end() - qsizetype(n)),
                                std::make_move_iterator(m_dataArray.end()));
    if (n == 0)
        return removed;
    m_dataArray.resize(m_dataArray.size() - n);
    updateIsCheckedRecords();
    changed();
    emit recordsReset();
    return removed;
}

void Document::setRecordValue(const Record& r, const QString& innerKey, const Value& value)
{
    const qsizetype index = indexOfRecord(r);
    if (index < 0 || r->value(innerKey) == value)
        return;
    writable(r).set(innerKey, value);
    if (innerKey == kCheckedKey)
        updateIsCheckedRecords();
    changed();
    emit recordChanged(index);
}

void Document::setRecordValues(const QString& innerKey,
                               const std::vector<std::pair<Record, Value>>& values)
{
    for (const auto& [r, v] : values)
        writable(r).set(innerKey, v);
    if (innerKey == kCheckedKey)
        updateIsCheckedRecords();
    changed();
    emit recordValuesChanged();
}

void Document::reorderRecords(std::vector<Record> order)
{
    if (order.size() != m_dataArray.size())
        return;
    m_dataArray = std::move(order);
    changed();
    emit recordsReset();
}

void Document::recalcLargestCounter()
{
    m_largestCounter = largestStoredCounter();
}

void Document::setLargestCounter(qint64 counter)
{
    m_largestCounter = counter;
}

void Document::updateIsCheckedRecords()
{
    m_isCheckedRecords = std::any_of(m_dataArray.begin(), m_dataArray.end(), [](const Record& r) {
        return r->value(kCheckedKey).toBool();
    });
}

// ---- Prototypes -----------------------------------------------------------------------------

void Document::insertPrototype(qsizetype index, const PrototypePtr& proto)
{
    if (!proto || indexOfPrototype(proto) >= 0)
        return;
    index = std::clamp<qsizetype>(index, 0, m_prototypes.size());
    m_prototypes.insert(m_prototypes.begin() + index, proto);
    changed();
    emit prototypeInserted(index);
}

void Document::removePrototype(qsizetype index)
{
    if (index < 0 || size_t(index) >= m_prototypes.size())
        return;
    m_prototypes.erase(m_prototypes.begin() + index);
    changed();
    emit prototypeRemoved(index);
}

void Document::setPrototypePath(const PrototypePtr& proto, const QString& path)
{
    const qsizetype index = indexOfPrototype(proto);
    if (index < 0 || proto->path == path)
        return;
    proto->path = path;
    changed();
    emit prototypeChanged(index);
}

void Document::setPrototypeTemplate(const PrototypePtr& proto, TemplateKey key, const QString& text)
{
    const qsizetype index = indexOfPrototype(proto);
    if (index < 0 || templateText(*proto, key) == text)
        return;
    templateText(*proto, key) = text;
    changed();
    emit prototypeChanged(index);
}

void Document::setPrototypeFolder(const PrototypePtr& proto, bool isFolder)
{
    const qsizetype index = indexOfPrototype(proto);
    if (index < 0 || proto->isFolder == isFolder)
        return;
    proto->isFolder = isFolder;
    changed();
    emit prototypeChanged(index);
}

// ---- Destination ----------------------------------------------------------------------------

void Document::setDestination(bool defined, std::optional<QByteArray> bookmark)
{
    m_destinationDefined = defined;
    m_bookmark = std::move(bookmark);
    changed();
    emit destinationChanged();
}

} // namespace quillory
