#include "core/document.h"

#include "core/substitutioncontext.h"
#include "templates/stringutils.h"

#include <QCollator>
#include <QSet>

#include <algorithm>
#include <limits>
#include <unordered_set>

namespace quillory {

namespace {

const QString kDbTab = QStringLiteral("db");

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
}

Document::~Document() = default;

void Document::setMainTabId(const QString& id)
{
    if (m_mainTabId == id)
        return;
    m_mainTabId = id;
    emit tabChanged();
}

void Document::setSecTabId(const QString& id)
{
    if (m_secTabId == id)
        return;
    m_secTabId = id;
    emit tabChanged();
}

void Document::switchSecTabToFilePrototypeOne()
{
    setMainTabId(QStringLiteral("file"));
    setSecTabId(QStringLiteral("one"));
}

void Document::switchSecTabToFilePrototypeMulti()
{
    setMainTabId(QStringLiteral("file"));
    setSecTabId(QStringLiteral("multi"));
}

void Document::setContents(DocumentContents c)
{
    m_keyArray = std::move(c.keys);
    m_innerKeyNumbers.reset(m_keyArray);
    m_dataArray = std::move(c.records);
    m_destinationDefined = c.destinationDefined;
    m_bookmark = std::move(c.bookmark);
    m_prototypes = std::move(c.prototypes);
    m_unknownEntries = std::move(c.unknownEntries);
    m_selectedKeyIndex = -1;
    m_selectedRecord.reset();
    m_allDataSelectedRecord.reset();
    updateIsCheckedRecords();
    emit keysReset();
    emit recordsReset();
    emit prototypesReset();
    setMainTabId(c.mainTabId);
    setSecTabId(c.secTabId);
}

void Document::updateChangeCount()
{
    ++m_changeCount;
    emit edited();
}

void Document::prepareOpened()
{
    addBuiltInKeys();
    recalcLargestCounter();
}

// ---- Field keys -----------------------------------------------------------------------------

void Document::addBuiltInKeys()
{
    if (!m_keyArray.empty())
        return;
    m_keyArray.push_back({kCounterKey, QStringLiteral("#")});
    m_keyArray.push_back({kCheckedKey, QStringLiteral("sel")});
    m_innerKeyNumbers.reset(m_keyArray);
    emit keysReset();
}

int Document::unusedInnerKeyNumber()
{
    return m_innerKeyNumbers.lowestUnused();
}

QString Document::insertField(const QString& name)
{
    const int n = unusedInnerKeyNumber();
    const QString inner = QString::number(n);
    const std::optional<QString> given = StringUtils::removeInitialSpaces(name);
    const QString visible =
        given && !given->isEmpty() ? name : QStringLiteral("KEY") + QString::number(n - 2);
    const Value empty = Value::string(QString());
    for (const Record& r : m_dataArray)
        r->set(inner, empty);
    forEachHeldRecord([&](const Record& r) { r->set(inner, empty); });
    updateChangeCount();
    m_keyArray.push_back({inner, visible});
    m_innerKeyNumbers.add(inner);
    m_selectedKeyIndex = int(m_keyArray.size()) - 1;
    emit keyInserted(m_selectedKeyIndex);
    return inner;
}

QString Document::addField()
{
    if (m_mainTabId != kDbTab)
        setMainTabId(kDbTab);
    return insertField();
}

QString Document::tagFromKey(const QString& name)
{
    return QLatin1Char('<') + name + QLatin1Char('>');
}

std::vector<TagMenuItem> Document::tagPopUpItems(TagPopUp which) const
{
    QString action;
    switch (which) {
    case TagPopUp::MultiName:
        action = QStringLiteral("nameOfMultiFileTagInsert");
        break;
    case TagPopUp::MergeText:
        action = QStringLiteral("mergeTextViewTagInsert");
        break;
    case TagPopUp::MergeTextOne:
        action = QStringLiteral("mergeTextOneViewTagInsert");
        break;
    case TagPopUp::MergeSeparator:
        action = QStringLiteral("mergeSeparatorViewTagInsert");
        break;
    }
    std::vector<TagMenuItem> items;
    for (size_t i = kFirstUserKeyIndex; i < m_keyArray.size(); ++i)
        items.push_back({tagFromKey(m_keyArray[i].publicKey), action});
    return items;
}

void Document::setSelectedKeyIndex(int index)
{
    m_selectedKeyIndex = (index >= 0 && index < int(m_keyArray.size())) ? index : -1;
}

bool Document::canDeleteSelectedKey() const
{
    return m_selectedKeyIndex >= kFirstUserKeyIndex && m_selectedKeyIndex < int(m_keyArray.size());
}

bool Document::renameKey(int index, const QString& newName)
{
    // The names of "#" and "sel" cannot be edited.
    if (index < kFirstUserKeyIndex || index >= int(m_keyArray.size()))
        return false;
    const std::optional<QString> trimmed = StringUtils::removeInitialSpaces(newName);
    if (!trimmed || trimmed->isEmpty())
        return false; // the previous name stays
    if (m_keyArray[index].publicKey == newName)
        return true;
    m_keyArray[index].publicKey = newName;
    updateChangeCount();
    emit keyRenamed(index);
    return true;
}

std::optional<Alert> Document::deleteSelectedKey() const
{
    if (!canDeleteSelectedKey())
        return std::nullopt;
    return Alert::deleteKey(m_keyArray[m_selectedKeyIndex].publicKey);
}

bool Document::deleteSelectedKeyConfirmed()
{
    if (m_selectedKeyIndex < 0 || m_selectedKeyIndex >= int(m_keyArray.size()))
        return false;
    const int i = m_selectedKeyIndex;
    const QString inner = m_keyArray[i].innerKey;
    if (inner == kCounterKey || inner == kCheckedKey)
        return false;
    // Every record, the ones the search hides included.
    for (const Record& r : m_dataArray)
        r->remove(inner);
    // A later field may get this inner key again: a record brought back by undo must not show
    // this field's value under it.
    forEachHeldRecord([&](const Record& r) { r->remove(inner); });
    m_keyArray.erase(m_keyArray.begin() + i);
    m_innerKeyNumbers.remove(inner);
    m_selectedKeyIndex = std::min(i, int(m_keyArray.size()) - 1);
    updateChangeCount();
    emit keyRemoved(i);
    return true;
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

// ---- Records --------------------------------------------------------------------------------

void Document::setSearchText(std::optional<QString> s)
{
    m_searchText = std::move(s);
    emit arrangementChanged();
}

void Document::setDataSort(std::optional<RecordSort> s)
{
    m_dataSort = std::move(s);
    emit arrangementChanged();
}

void Document::setAllDataSort(std::optional<RecordSort> s)
{
    m_allDataSort = std::move(s);
    emit allRecordsSortChanged();
}

bool Document::recordPassesSearch(const Record& r) const
{
    if (!m_searchText || m_searchText->isEmpty())
        return true;
    if (m_keyArray.size() < 3)
        return false;
    const QString& q = *m_searchText;
    for (size_t i = kFirstUserKeyIndex; i < m_keyArray.size(); ++i) {
        const qsizetype at = r->indexOf(m_keyArray[i].innerKey);
        // Compared in place: a search runs over every value at each keystroke.
        if (at >= 0 && r->textContains(at, q, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

std::vector<Record> Document::sortedRecords(std::vector<Record> records,
                                            const std::optional<RecordSort>& sort) const
{
    if (!sort)
        return records;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One sort key per record: comparing keys is far cheaper than collating the texts again
    // at every comparison of the sort.
    std::vector<std::pair<QCollatorSortKey, size_t>> keys;
    keys.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        // Case-folded first: some collators ignore case-insensitivity when making keys.
        keys.emplace_back(
            collator.sortKey(records[i]->value(sort->innerKey).toText().toCaseFolded()), i);
    const bool ascending = sort->ascending;
    std::stable_sort(keys.begin(), keys.end(), [ascending](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return ascending ? c < 0 : c > 0;
    });
    std::vector<Record> sorted;
    sorted.reserve(records.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(records[key.second]));
    return sorted;
}

std::vector<Record> Document::arrangedRecords() const
{
    std::vector<Record> passing;
    passing.reserve(m_dataArray.size());
    for (const Record& r : m_dataArray)
        if (recordPassesSearch(r))
            passing.push_back(r);
    return sortedRecords(std::move(passing), m_dataSort);
}

std::vector<Record> Document::allArrangedRecords() const
{
    return sortedRecords(m_dataArray, m_allDataSort);
}

qint64 Document::largestCounterWhere(const std::function<bool(const Record&)>& counts) const
{
    bool any = false;
    qint64 best = 0;
    for (const Record& r : m_dataArray) {
        const Value v = r ? r->value(kCounterKey) : Value();
        if (!v.isNumber() || (counts && !counts(r)))
            continue;
        const qint64 c = v.toInteger();
        if (!any || c > best) {
            best = c;
            any = true;
        }
    }
    return any ? best : 0;
}

qint64 Document::largestListedCounter() const
{
    return largestCounterWhere([this](const Record& r) { return recordPassesSearch(r); });
}

qint64 Document::largestStoredCounter() const
{
    return largestCounterWhere({});
}

Record Document::newRecord() const
{
    std::vector<QString> keys;
    keys.reserve(m_keyArray.size());
    for (const FieldKey& k : m_keyArray)
        if (std::find(keys.begin(), keys.end(), k.innerKey) == keys.end())
            keys.push_back(k.innerKey);
    PackedRecord::Builder b(RecordKeys::make(std::move(keys)));
    for (qsizetype i = 0; i < b.keys()->size(); ++i)
        b.setText(i, QStringView());
    Record r = b.take();
    // The largest 64-bit counter stays where it is rather than wrapping to a negative one.
    const qint64 max = largestListedCounter();
    r->set(kCounterKey, Value::integer(max == std::numeric_limits<qint64>::max() ? max : max + 1));
    r->set(kCheckedKey, Value::boolean(false));
    return r;
}

void Document::addRecord()
{
    if (m_mainTabId != kDbTab)
        setMainTabId(kDbTab);
    const Record r = newRecord();
    appendRecord(r);
    m_selectedRecord = r;
}

void Document::appendRecord(const Record& r)
{
    m_undo.registerUndo([this, r] { undoAppendRecord(r); });
    m_undo.setActionName(tr("Add Record"));
    m_dataArray.push_back(r);
    m_searchText = QString();
    updateChangeCount();
    updateIsCheckedRecords();
    emit arrangementChanged();
    emit recordsInserted(qsizetype(m_dataArray.size()) - 1, 1);
}

void Document::undoAppendRecord(const Record& r)
{
    m_undo.registerUndo([this, r] { appendRecord(r); });
    m_undo.setActionName(tr("Add Record"));
    holdForUndo(r);
    removeRecordAt(indexOfRecord(r));
}

void Document::deleteSelectedRecord()
{
    if (m_mainTabId != kDbTab || indexOfRecord(m_selectedRecord) < 0)
        return;
    deleteRecord(m_selectedRecord);
}

void Document::deleteRecord(const Record& r)
{
    if (indexOfRecord(r) < 0)
        return;
    m_undo.registerUndo([this, r] { undoDeleteRecord(r); });
    m_undo.setActionName(tr("Delete Record"));
    holdForUndo(r);
    removeRecordAt(indexOfRecord(r));
}

void Document::holdForUndo(const Record& r)
{
    // Steps dropped from the history free their records: forget those first.
    std::erase_if(m_heldRecords, [](const std::weak_ptr<PackedRecord>& w) { return w.expired(); });
    for (const std::weak_ptr<PackedRecord>& w : m_heldRecords)
        if (w.lock() == r)
            return;
    m_heldRecords.push_back(r);
}

void Document::forEachHeldRecord(const std::function<void(const Record&)>& apply)
{
    // Records back in the list meet the change there as well; applying it twice is harmless.
    for (const std::weak_ptr<PackedRecord>& w : m_heldRecords)
        if (const Record r = w.lock())
            apply(r);
}

void Document::undoDeleteRecord(const Record& r)
{
    m_undo.registerUndo([this, r] { deleteRecord(r); });
    m_undo.setActionName(tr("Delete Record"));
    // Back at the end of the list, not at its former position.
    m_dataArray.push_back(r);
    updateChangeCount();
    updateIsCheckedRecords();
    emit recordsInserted(qsizetype(m_dataArray.size()) - 1, 1);
}

void Document::removeRecordAt(qsizetype index)
{
    if (index < 0)
        return;
    const Record r = m_dataArray[size_t(index)];
    m_dataArray.erase(m_dataArray.begin() + index);
    if (m_selectedRecord == r)
        m_selectedRecord.reset();
    if (m_allDataSelectedRecord == r)
        m_allDataSelectedRecord.reset();
    updateChangeCount();
    updateIsCheckedRecords();
    emit recordRemoved(index);
}

qsizetype Document::indexOfRecord(const Record& r) const
{
    return indexIn(m_dataArray, r);
}

void Document::setRecordValue(const Record& r, const QString& innerKey, const Value& value)
{
    const qsizetype index = indexOfRecord(r);
    if (index < 0 || r->value(innerKey) == value)
        return;
    r->set(innerKey, value);
    updateChangeCount();
    if (innerKey == kCheckedKey)
        updateIsCheckedRecords();
    emit recordChanged(index);
}

void Document::updateIsCheckedRecords()
{
    m_isCheckedRecords = std::any_of(m_dataArray.begin(), m_dataArray.end(), [](const Record& r) {
        return r && r->value(kCheckedKey).toBool();
    });
}

qint64 Document::checkedRecordCount() const
{
    qint64 n = 0;
    for (const Record& r : m_dataArray)
        if (r->value(kCheckedKey).toBool())
            ++n;
    return n;
}

void Document::setListedChecks(const std::function<bool(bool)>& mark, bool updateState)
{
    // Only the records the search lists: hidden ones keep their marks.
    for (const Record& r : arrangedRecords())
        r->set(kCheckedKey, Value::boolean(mark(r->value(kCheckedKey).toBool())));
    updateChangeCount();
    if (updateState)
        updateIsCheckedRecords();
    emit recordValuesChanged();
}

void Document::checkAllRecords()
{
    setListedChecks([](bool) { return true; }, true);
}

void Document::uncheckAllRecords()
{
    setListedChecks([](bool) { return false; }, true);
}

void Document::invertCheckRecords()
{
    // Inverting leaves isCheckedRecords as it was.
    setListedChecks([](bool checked) { return !checked; }, false);
}

bool Document::isDeletedWithChecked(const Record& r) const
{
    // Only what the search lists: the user is told exactly how many records "OK" deletes,
    // and nothing hidden goes with them.
    return r->value(kCheckedKey).toBool() && recordPassesSearch(r);
}

Alert Document::confirmDeleteChecked() const
{
    return Alert::deleteCheckedRecords(
        std::count_if(m_dataArray.begin(), m_dataArray.end(),
                      [this](const Record& r) { return isDeletedWithChecked(r); }));
}

qint64 Document::deleteCheckedRecords()
{
    std::unordered_set<const PackedRecord*> doomed;
    for (const Record& r : m_dataArray)
        if (isDeletedWithChecked(r))
            doomed.insert(r.get());
    if (doomed.empty())
        return 0;
    std::erase_if(m_dataArray, [&](const Record& r) { return doomed.count(r.get()) != 0; });
    if (m_selectedRecord && doomed.count(m_selectedRecord.get()))
        m_selectedRecord.reset();
    if (m_allDataSelectedRecord && doomed.count(m_allDataSelectedRecord.get()))
        m_allDataSelectedRecord.reset();
    updateChangeCount();
    updateIsCheckedRecords();
    emit recordsReset();
    return qint64(doomed.size());
}

void Document::renumberRecords()
{
    qint64 n = 0;
    for (const Record& r : arrangedRecords())
        r->set(kCounterKey, Value::integer(++n));
    // Renumbering changes saved data, so the document must be saved again.
    if (n > 0)
        updateChangeCount();
    emit recordValuesChanged();
}

void Document::recalcLargestCounter()
{
    m_largestCounter = largestStoredCounter();
}

CounterFormat Document::counterFormat() const
{
    CounterFormat f;
    f.useLeading0 = m_defaults->boolValue(QStringLiteral("useLeading0ForField1"));
    f.forceLeading0 = m_defaults->boolValue(QStringLiteral("forceLeading0ForField1"));
    f.forcedTotLen = m_defaults->integerValue(QStringLiteral("forcedTotLenField1"));
    return f;
}

QString Document::counterText(qint64 counter) const
{
    return CounterText::format(counter, m_largestCounter, counterFormat());
}

// ---- Tag substitution -----------------------------------------------------------------------

std::optional<QString> Document::substituteFieldTags(const std::optional<QString>& tmpl,
                                                     const Record& dbRec) const
{
    if (!tmpl || tmpl->isEmpty())
        return std::nullopt;
    return SubstitutionContext::fromDocument(*this).fieldTags(tmpl, dbRec);
}

std::optional<QString> Document::substituteStandardTags(const std::optional<QString>& tmpl) const
{
    if (!tmpl || tmpl->isEmpty())
        return std::nullopt;
    return SubstitutionContext::fromDocument(*this).standardTags(tmpl);
}

// ---- Import ---------------------------------------------------------------------------------

void Document::appendImportedRecords(ImportBatch batch)
{
    // The checked state and the largest counter are worked out anew over all records, the new
    // ones from the batch's summary: a million imported records are not walked again here.
    RecordSummary all = RecordSummary::of(m_dataArray);
    all.include(batch.summary);
    const qsizetype first = qsizetype(m_dataArray.size());
    m_dataArray.reserve(m_dataArray.size() + batch.records.size());
    std::move(batch.records.begin(), batch.records.end(), std::back_inserter(m_dataArray));
    const bool wasSearching = m_searchText && !m_searchText->isEmpty();
    m_searchText = QString();
    updateChangeCount();
    m_isCheckedRecords = all.anyChecked;
    m_largestCounter = all.largestCounter.value_or(0);
    // Without a search before, the arrangement is the same and the tables only gain rows.
    if (wasSearching)
        emit arrangementChanged();
    if (qsizetype(m_dataArray.size()) > first)
        emit recordsInserted(first, qsizetype(m_dataArray.size()) - first);
}

// ---- Prototypes -----------------------------------------------------------------------------

qsizetype Document::indexOfPrototype(const PrototypePtr& proto) const
{
    return indexIn(m_prototypes, proto);
}

bool Document::appendPrototype(const PrototypePtr& proto)
{
    if (!proto || indexOfPrototype(proto) >= 0)
        return false;
    m_prototypes.push_back(proto);
    updateChangeCount();
    emit prototypeInserted(qsizetype(m_prototypes.size()) - 1);
    return true;
}

bool Document::removePrototype(const PrototypePtr& proto)
{
    const qsizetype index = indexOfPrototype(proto);
    if (index < 0)
        return false;
    m_prototypes.erase(m_prototypes.begin() + index);
    // A removed Prototype must not stay selected in any view, or later commands would edit or
    // show an object that is no longer in the document.
    for (PrototypePtr* selected : {&m_mergeSelected, &m_previewSelected})
        if (*selected == proto)
            selected->reset();
    updateChangeCount();
    if (m_oneSelected == proto)
        setOneSelectedPrototype(nullptr);
    if (m_multiSelected == proto)
        setMultiSelectedPrototype(nullptr);
    emit prototypeRemoved(index);
    return true;
}

bool Document::setPrototypePath(const PrototypePtr& proto, const QString& path)
{
    const qsizetype index = indexOfPrototype(proto);
    if (index < 0 || proto->path == path)
        return false;
    proto->path = path;
    updateChangeCount();
    emit prototypeChanged(index);
    return true;
}

bool Document::setPrototypeTemplate(const PrototypePtr& proto, TemplateKey key, const QString& text)
{
    const qsizetype index = indexOfPrototype(proto);
    if (index < 0 || templateText(*proto, key) == text)
        return false;
    templateText(*proto, key) = text;
    updateChangeCount();
    emit prototypeChanged(index);
    return true;
}

void Document::setOneSelectedPrototype(PrototypePtr p)
{
    if (m_oneSelected == p)
        return;
    m_oneSelected = std::move(p);
    emit prototypeSelectionChanged();
}

void Document::setMultiSelectedPrototype(PrototypePtr p)
{
    if (m_multiSelected == p)
        return;
    m_multiSelected = std::move(p);
    emit prototypeSelectionChanged();
}

bool Document::setPrototypeFolder(const PrototypePtr& proto, bool isFolder)
{
    const qsizetype index = indexOfPrototype(proto);
    if (index < 0 || proto->isFolder == isFolder)
        return false;
    proto->isFolder = isFolder;
    updateChangeCount();
    emit prototypeChanged(index);
    return true;
}

void Document::setGeneratedItems(std::vector<GeneratedItem> items)
{
    m_generatedItems = std::move(items);
    emit generatedItemsChanged();
}

} // namespace quillory
