#include "archive/keyedarchivereader.h"

#include "archive/readerslots.h"
#include "core/array.h"
#include "core/dict.h"

#include <QSet>

#include <algorithm>
#include <system_error>
#include <thread>

// The reader's fast path for the list of records, which is most of a large document.
//
// Invariants that keep it equal to a plain one-thread reading of the same file:
// - The first record is read by the reader itself before any thread starts, so the keys and
//   classes the records share are in the reader's caches; threads only read those caches.
// - A preparing thread never changes the reader: it takes const access, reads only objects
//   whose slot is 0 (not yet decoded), and prepares only plain records (texts, numbers and
//   marks under keys already known, at most PreparedRecord::kMaxLongTexts long texts).
//   Anything else is left null and read by the reader in turn, exactly as before.
// - Threads take disjoint ranges of the list; the reader then takes the prepared records in
//   list order, so sharing, refusals and their messages are those of a plain reading.
// - Every prepared record is charged to the decoding budget when the reader takes it; each
//   thread stops preparing past its share of the budget, leaving the rest to the reader.
// - A long text packed into the first record that lists it is claimed (its slot marks the
//   claim); the moment anything else lists it, it becomes one shared text.
// - A record met again is found through the list's value that holds it, never copied.

namespace quillory {

using namespace ReaderSlots;
using Kind = BinaryPlistReader::Kind;
using Object = BinaryPlistReader::Object;

namespace {

// Record lists at least this long are read on several threads.
constexpr size_t kParallelRecords = 4096;

} // namespace

// Reads records for decodeRecordList on its own thread: only const access to the reader,
// whose caches no other thread changes meanwhile.
class KeyedArchiveReader::RecordPreparer
{
public:
    RecordPreparer(const KeyedArchiveReader& reader, qint64 budget) : r(reader), m_budget(budget) {}

    void prepare(const std::vector<quint64>& items, size_t from, size_t to,
                 std::vector<PreparedRecord>& out)
    {
        m_seen.assign(size_t(r.m_objects.count), false);
        for (size_t i = from; i < to; ++i)
            out[i].bytes = quint32(prepare(items[i], out[i]));
    }

private:
    bool known(quint64 index) const
    {
        return index != 0 && index < r.m_objects.count && r.m_slot[index] == 0;
    }
    bool object(quint64 index, Object& o) const
    {
        quint64 ref;
        return r.m_plist.peekReference(r.m_objects, index, ref) && r.m_plist.peekObject(ref, o);
    }
    bool uidAt(const Object& array, quint64 i, quint64& out) const
    {
        const std::optional<quint64> uid = r.m_plist.plainUidAt(array, i);
        if (uid)
            out = *uid;
        return uid.has_value();
    }
    Field field(quint64 keyRef) const
    {
        for (const auto& [ref, f] : r.m_fieldCache)
            if (ref == keyRef)
                return f;
        return Field::Other;
    }
    bool isDictionaryClass(quint64 classIndex) const
    {
        ClassKind kind = ClassKind::Unknown;
        if (r.m_lastClass.first == classIndex)
            kind = r.m_lastClass.second;
        else if (const auto it = r.m_classes.constFind(classIndex); it != r.m_classes.cend())
            kind = *it;
        return kind == ClassKind::Dictionary || kind == ClassKind::MutableDictionary;
    }
    bool keysOf(const Object& keys)
    {
        // Records nearly always list the very same references as the one before.
        const QByteArrayView raw = r.m_plist.rawReferences(keys);
        if (m_keys && raw == QByteArrayView(m_keyReferences))
            return true;
        bool same = m_keys && m_keyObjects.size() == keys.count;
        m_scratch.resize(size_t(keys.count));
        for (quint64 i = 0; i < keys.count; ++i) {
            if (!uidAt(keys, i, m_scratch[size_t(i)]))
                return false;
            same = same && m_scratch[size_t(i)] == m_keyObjects[size_t(i)];
        }
        if (same) {
            m_keyReferences = raw.toByteArray();
            return true;
        }
        std::vector<QString> names;
        QSet<QString> seen;
        for (const quint64 k : m_scratch) {
            // Only keys the reader has read already.
            const quint32 slot = k < r.m_objects.count ? r.m_slot[k] : 0;
            const QString* name = isMemo(slot) ? r.m_memo[slot - 1].stringPtr() : nullptr;
            if (!name || seen.contains(*name))
                return false;
            seen.insert(*name);
            names.push_back(*name);
        }
        m_keys = RecordKeys::make(std::move(names));
        m_keyObjects = m_scratch;
        m_keyReferences = raw.toByteArray();
        return true;
    }
    // The decoding bytes the record counts for, 0 when it must be read in turn.
    qint64 prepare(quint64 index, PreparedRecord& out)
    {
        Object o, classRef, keys, values;
        quint64 refs[3] = {kNoRef, kNoRef, kNoRef};
        out.longTextCount = 0;
        // A record the list names again is prepared once: the reader finds it through the
        // first entry, and copies of it would only take memory outside the budget.
        if (!known(index) || m_seen[size_t(index)] || !object(index, o) || o.kind != Kind::Dict ||
            o.count != 3)
            return 0;
        m_seen[size_t(index)] = true;
        for (quint64 i = 0; i < 3; ++i) {
            quint64 keyRef, valueRef;
            if (!r.m_plist.peekReference(o, i, keyRef) ||
                !r.m_plist.peekReference(o, 3 + i, valueRef))
                return 0;
            const Field f = field(keyRef);
            if (f != Field::Class && f != Field::Keys && f != Field::Objects)
                return 0;
            refs[f == Field::Class ? 0 : f == Field::Keys ? 1 : 2] = valueRef;
        }
        if (refs[0] == kNoRef || refs[1] == kNoRef || refs[2] == kNoRef ||
            !r.m_plist.peekObject(refs[0], classRef) || classRef.kind != Kind::Uid ||
            !isDictionaryClass(r.m_plist.uid(classRef)) || !r.m_plist.peekObject(refs[1], keys) ||
            keys.kind != Kind::Array || !r.m_plist.peekObject(refs[2], values) ||
            values.kind != Kind::Array || keys.count != values.count || !keysOf(keys))
            return 0;
        qint64 bytes = 64 + 9 * qint64(keys.count);
        m_builder.reset(m_keys);
        for (quint64 i = 0; i < values.count; ++i) {
            quint64 valueIndex;
            Object v;
            if (!uidAt(values, i, valueIndex) || !known(valueIndex) || !object(valueIndex, v))
                return 0;
            if (v.kind == Kind::AsciiString) {
                // A long text may be listed by other records too: the reader decides, in turn,
                // whether it stays packed here. Within its share of the budget only, so that a
                // text listed a million times is not copied a million times first.
                if (v.count >= quint64(kSharedPayload)) {
                    if (m_spent + bytes + qint64(v.count) > m_budget)
                        return 0;
                    if (out.longTextCount == PreparedRecord::kMaxLongTexts)
                        return 0;
                    for (const PreparedRecord::LongText& t : out.longTextList())
                        if (t.object == valueIndex)
                            return 0;
                    out.longTexts[out.longTextCount++] = {quint32(i), quint32(valueIndex)};
                }
                m_builder.setLatin1(qsizetype(i), r.m_plist.asciiView(v));
                bytes += qint64(v.count);
            } else if (v.kind == Kind::Integer) {
                const BinaryPlistReader::Integer n = r.m_plist.integer(v);
                if (n.high != 0 || n.low > quint64(std::numeric_limits<qint64>::max()))
                    return 0;
                m_builder.setInteger(qsizetype(i), qint64(n.low));
            } else if (v.kind == Kind::Bool) {
                m_builder.setBool(qsizetype(i), v.boolValue);
            } else {
                return 0;
            }
        }
        // Every record prepared counts against the thread's share of the budget, so that what
        // threads hold before the reader takes it stays within the bound too.
        m_spent += bytes;
        if (bytes > std::numeric_limits<quint32>::max() || m_spent > m_budget)
            return 0;
        out.record = m_builder.take();
        return bytes;
    }

    const KeyedArchiveReader& r;
    const qint64 m_budget;
    qint64 m_spent = 0;
    PackedRecord::Builder m_builder;
    RecordKeysPtr m_keys;
    std::vector<quint64> m_keyObjects;
    QByteArray m_keyReferences;
    std::vector<quint64> m_scratch;
    std::vector<bool> m_seen;
};

bool KeyedArchiveReader::decodeRecordList(const Object& objects, int depth,
                                          std::vector<Value>& items)
{
    const size_t count = size_t(objects.count);
    const unsigned threads = std::min(4u, std::max(1u, std::thread::hardware_concurrency()));
    const bool parallel = threads > 1 && count >= kParallelRecords;
    // The list's own bookkeeping counts too: an entry naming a record read before is one file
    // byte at the least, yet takes its index and, on several threads, its prepared record.
    const qint64 perEntry = qint64(sizeof(quint64) + (parallel ? sizeof(PreparedRecord) : 0));
    if (!charge(perEntry * qint64(count)))
        return false;
    std::vector<quint64> indices(count);
    for (size_t i = 0; i < count; ++i)
        if (!referencedIndex(objects, quint64(i), indices[i]))
            return false;
    // Long lists are read on every core: the first record is read here first, bringing in the
    // keys and classes the others share; the rest is split between threads that only read.
    // Then each record is taken in order, and whatever a thread left is read here as before,
    // so that sharing, refusals and their messages are those of a plain reading.
    std::vector<PreparedRecord> prepared(parallel ? count : 0);
    Value first;
    if (count > 0 && !decodeRecord(indices[0], depth + 1, first))
        return false;
    if (parallel) {
        std::vector<std::thread> helpers;
        std::vector<RecordPreparer> preparers(threads, RecordPreparer(*this, m_budget / threads));
        const size_t step = (count - 1 + threads - 1) / threads;
        for (unsigned t = 1; t < threads; ++t) {
            const size_t from = 1 + t * step, to = std::min(count, from + step);
            if (from >= to)
                continue;
            try {
                helpers.emplace_back(
                    [&, t, from, to] { preparers[t].prepare(indices, from, to, prepared); });
            } catch (const std::system_error&) {
                // No thread to be had: this part is read here instead.
                preparers[t].prepare(indices, from, to, prepared);
            }
        }
        preparers[0].prepare(indices, 1, std::min(count, 1 + step), prepared);
        for (std::thread& h : helpers)
            h.join();
    }
    if (count > 0)
        items.push_back(std::move(first));
    m_claims.reserve(m_claims.size() + 2 * count);
    for (size_t i = 1; i < count; ++i) {
        Value item;
        if (parallel && prepared[i].record && m_slot[indices[i]] == 0) {
            if (!charge(prepared[i].bytes))
                return false;
            const MutableRecord record = std::move(prepared[i].record);
            for (const PreparedRecord::LongText& t : prepared[i].longTextList()) {
                if (m_slot[t.object] == 0) {
                    claim(t.object, record.get(), t.slot);
                    continue;
                }
                Value shared;
                if (!decode(t.object, depth + 2, shared))
                    return false;
                record->setAt(t.slot, shared);
            }
            items.push_back(Value::record(record));
            // The list's values never move (the list is reserved in full).
            m_slot[indices[i]] = kClaimed | quint32(m_claims.size());
            m_claims.push_back({record.get(), -1, &items.back()});
            continue;
        }
        if (!decodeRecord(indices[i], depth + 1, item))
            return false;
        items.push_back(std::move(item));
    }
    return true;
}

bool KeyedArchiveReader::decodeRecord(quint64 index, int depth, Value& out)
{
    // Anything but a plain dictionary of distinct keys is read as any object is, and the
    // document then says what is wrong with it.
    if (index == 0 || index >= m_objects.count || m_slot[index] != 0)
        return decode(index, depth, out);
    quint64 ref;
    Object o;
    if (!m_plist.reference(m_objects, index, ref) || !m_plist.object(ref, o))
        return fail(m_plist.error());
    if (o.kind != Kind::Dict)
        return decode(index, depth, out);
    Fields fields;
    for (quint64 i = 0; i < o.count; ++i) {
        quint64 keyRef, valueRef;
        if (!m_plist.reference(o, i, keyRef) || !m_plist.reference(o, o.count + i, valueRef))
            return fail(m_plist.error());
        const Field f = fieldOf(keyRef);
        if (f != Field::Other)
            fields.ref[int(f)] = valueRef;
        else
            return decode(index, depth, out);
    }
    Object classRef, keys, objects;
    ClassKind kind;
    if (!fields.has(Field::Class) || !fields.has(Field::Keys) || !fields.has(Field::Objects) ||
        !m_plist.object(fields[Field::Class], classRef) || classRef.kind != Kind::Uid ||
        !classOf(m_plist.uid(classRef), kind) ||
        (kind != ClassKind::Dictionary && kind != ClassKind::MutableDictionary) ||
        !m_plist.object(fields[Field::Keys], keys) || keys.kind != Kind::Array ||
        !m_plist.object(fields[Field::Objects], objects) || objects.kind != Kind::Array ||
        keys.count != objects.count || depth + 1 > kMaxDepth)
        return m_error.isEmpty() ? decode(index, depth, out) : false;
    if (!charge(64 + 9 * qint64(keys.count)))
        return false;
    RecordKeysPtr shape;
    if (!recordKeys(keys, depth, shape))
        return false;
    if (!shape)
        return decode(index, depth, out);

    m_slot[index] = kBusy;
    m_recordBuilder.reset(shape);
    m_pendingLong.clear();
    for (quint64 i = 0; i < objects.count; ++i) {
        quint64 valueIndex;
        if (!referencedIndex(objects, i, valueIndex) ||
            !recordValue(valueIndex, qsizetype(i), depth + 1))
            return false;
    }
    const MutableRecord record = m_recordBuilder.take();
    // Long texts stay packed here unless something else met them meanwhile.
    for (const auto& [slot, text] : m_pendingLong) {
        if (m_slot[text] == 0) {
            claim(text, record.get(), slot);
            continue;
        }
        Value shared;
        if (!decode(text, depth + 1, shared))
            return false;
        record->setAt(slot, shared);
    }
    out = Value::record(record);
    remember(index, out);
    return true;
}

void KeyedArchiveReader::claim(quint64 index, PackedRecord* record, qsizetype slot)
{
    m_slot[index] = kClaimed | quint32(m_claims.size());
    m_claims.push_back({record, slot});
}

bool KeyedArchiveReader::shareClaimed(quint64 index, Value& out)
{
    // A long text met a second time: one shared text from now on, in the record that had it
    // packed too, as a plain reading shares it.
    const Claim claim = m_claims[m_slot[index] - kClaimed];
    if (claim.holder) {
        out = *claim.holder;
        return true;
    }
    quint64 ref;
    Object o;
    if (!m_plist.reference(m_objects, index, ref) || !m_plist.object(ref, o))
        return fail(m_plist.error());
    out = Value::string(m_plist.string(o));
    remember(index, out);
    claim.record->setAt(claim.slot, out);
    return true;
}

bool KeyedArchiveReader::recordKeys(const Object& keys, int depth, RecordKeysPtr& out)
{
    // Records nearly always list the very same key objects as the record before.
    bool same = m_lastKeys && m_lastKeyObjects.size() == keys.count;
    std::vector<quint64>& keyObjects = m_keyObjects;
    keyObjects.resize(size_t(keys.count));
    for (quint64 i = 0; i < keys.count; ++i) {
        if (!referencedIndex(keys, i, keyObjects[size_t(i)]))
            return false;
        same = same && keyObjects[size_t(i)] == m_lastKeyObjects[size_t(i)];
    }
    if (same) {
        out = m_lastKeys;
        return true;
    }
    std::vector<QString> names;
    names.reserve(size_t(keys.count));
    QSet<QString> seen;
    for (const quint64 keyIndex : keyObjects) {
        const QString* key;
        if (!decodeKey(keyIndex, depth + 1, key))
            return false;
        if (seen.contains(*key))
            return true; // a repeated key: read as a dictionary
        seen.insert(*key);
        names.push_back(*key);
    }
    m_lastKeys = out = RecordKeys::make(std::move(names));
    m_lastKeyObjects = keyObjects;
    return true;
}

bool KeyedArchiveReader::recordValue(quint64 valueIndex, qsizetype slot, int depth)
{
    if (valueIndex != 0 && valueIndex < m_objects.count && m_slot[valueIndex] == 0) {
        quint64 ref;
        Object o;
        if (!m_plist.reference(m_objects, valueIndex, ref) || !m_plist.object(ref, o))
            return fail(m_plist.error());
        switch (o.kind) {
        case Kind::AsciiString: {
            // Texts straight from the file. A long one is claimed by this record once it is
            // made, and shared if anything lists it again (see shareClaimed).
            if (!charge(qint64(o.count)))
                return false;
            if (o.count >= quint64(kSharedPayload)) {
                for (const auto& [other, text] : m_pendingLong) {
                    if (text != valueIndex)
                        continue;
                    Value shared = Value::string(m_plist.string(o));
                    remember(valueIndex, shared);
                    m_recordBuilder.setValue(other, shared);
                    m_recordBuilder.setValue(slot, shared);
                    return true;
                }
                m_pendingLong.emplace_back(slot, valueIndex);
            }
            m_recordBuilder.setLatin1(slot, m_plist.asciiView(o));
            return true;
        }
        case Kind::Integer: {
            const BinaryPlistReader::Integer n = m_plist.integer(o);
            if (n.high == 0 && n.low <= quint64(std::numeric_limits<qint64>::max())) {
                m_recordBuilder.setInteger(slot, qint64(n.low));
                return true;
            }
            break;
        }
        case Kind::Bool:
            m_recordBuilder.setBool(slot, o.boolValue);
            return true;
        default:
            break;
        }
    }
    Value value;
    if (!decode(valueIndex, depth, value))
        return false;
    m_recordBuilder.setValue(slot, value);
    return true;
}

} // namespace quillory
