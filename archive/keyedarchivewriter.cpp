#include "archive/keyedarchivewriter.h"

#include "archive/binaryplistwriter.h"
#include "archive/keyedarchivereader.h"
#include "archive/keyindexmap.h"
#include "archive/pointerindexmap.h"
#include "core/array.h"
#include "core/dict.h"
#include "core/packedrecord.h"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quillory {

namespace {

// Strings the archive's own structure uses; each is written once and shared by reference.
enum Name : quint8 {
    kClassKey,
    kKeysKey,
    kObjectsKey,
    kStringKey,
    kDataKey,
    kUuidBytesKey,
    kTimeKey,
    kClassnameKey,
    kClassesKey,
    kNSObject,
    kNSMutableDictionary,
    kNSDictionary,
    kNSMutableArray,
    kNSArray,
    kNSMutableString,
    kNSString,
    kNSMutableData,
    kNSData,
    kNSUUID,
    kNSDate,
    kNameCount
};

constexpr const char* kNames[kNameCount] = {"$class",
                                            "NS.keys",
                                            "NS.objects",
                                            "NS.string",
                                            "NS.data",
                                            "NS.uuidbytes",
                                            "NS.time",
                                            "$classname",
                                            "$classes",
                                            "NSObject",
                                            "NSMutableDictionary",
                                            "NSDictionary",
                                            "NSMutableArray",
                                            "NSArray",
                                            "NSMutableString",
                                            "NSString",
                                            "NSMutableData",
                                            "NSData",
                                            "NSUUID",
                                            "NSDate"};

enum ClassId : quint8 {
    kMutableDictionaryClass,
    kDictionaryClass,
    kMutableArrayClass,
    kArrayClass,
    kMutableStringClass,
    kMutableDataClass,
    kUuidClass,
    kDateClass,
    kClassCount
};

struct ClassInfo
{
    Name chain[3];
    int chainLength;
    Name fields[2]; // besides $class
    int fieldCount;
};

constexpr ClassInfo kClasses[kClassCount] = {
    {{kNSMutableDictionary, kNSDictionary, kNSObject}, 3, {kKeysKey, kObjectsKey}, 2},
    {{kNSDictionary, kNSObject, kNSObject}, 2, {kKeysKey, kObjectsKey}, 2},
    {{kNSMutableArray, kNSArray, kNSObject}, 3, {kObjectsKey, kObjectsKey}, 1},
    {{kNSArray, kNSObject, kNSObject}, 2, {kObjectsKey, kObjectsKey}, 1},
    {{kNSMutableString, kNSString, kNSObject}, 3, {kStringKey, kStringKey}, 1},
    {{kNSMutableData, kNSData, kNSObject}, 3, {kDataKey, kDataKey}, 1},
    {{kNSUUID, kNSObject, kNSObject}, 2, {kUuidBytesKey, kUuidBytesKey}, 1},
    {{kNSDate, kNSObject, kNSObject}, 2, {kTimeKey, kTimeKey}, 1},
};

// Fixed objects at the start of the plist: the envelope dictionary and what it refers to.
enum Fixed : quint64 {
    kTopDict,
    kVersionKey,
    kArchiverKey,
    kTopKey,
    kObjectsArrayKey,
    kVersionValue,
    kArchiverValue,
    kTopValue,
    kRootKey,
    kObjectsArray,
    kFixedCount
};

// A text or data payload whose storage other values share: the same bytes reached twice.
struct PayloadKey
{
    const void* storage;
    qsizetype size;
    quint8 kind; // type and mutability, which decide the archived class
    bool operator==(const PayloadKey&) const = default;
};

struct PayloadKeyHash
{
    size_t operator()(const PayloadKey& k) const
    {
        return std::hash<const void*>()(k.storage) ^ (size_t(k.size) * 31 + k.kind);
    }
};

// Payloads shorter than this are written at each occurrence, as they always were; longer
// ones held by several values are written once, so a shared value cannot swell the file.
constexpr qsizetype kSharedPayload = 16;

std::optional<PayloadKey> sharedPayload(const Value& v)
{
    const quint8 kind = quint8((v.isString() ? 0 : 2) + (v.isMutable() ? 1 : 0));
    if (const QString* s = v.stringPtr()) {
        if (s->size() >= kSharedPayload && !s->isDetached())
            return PayloadKey{s->constData(), s->size(), kind};
    } else if (const QByteArray* d = v.dataPtr()) {
        if (d->size() >= kSharedPayload && !d->isDetached())
            return PayloadKey{d->constData(), d->size(), kind};
    }
    return std::nullopt;
}

inline void prefetch(const void* p)
{
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    Q_UNUSED(p);
#endif
}

// Walks the graph twice in the same order: the first pass numbers the objects and counts what
// the plist needs, the second writes every object at its final index. Archive object u is
// plist object mainBase + u, its UID is uidBase + u, and the helper objects (key and value
// arrays, inline payloads, class chains) follow at auxBase onwards.
class Encoder
{
public:
    bool encode(const Value& root, QIODevice* sink, QByteArray* data, QString* error);

private:
    bool run(const Value& root);
    quint64 assign(const Value& v, int depth, bool& fresh);
    quint64 assignKey(const QString& key, size_t position, bool& fresh);
    quint64 assignClass(ClassId id);
    bool visit(quint64 u, const Value& v, int depth);
    bool visitDict(quint64 u, const DictPtr& dict, int depth);
    bool visitRecord(quint64 u, const PackedRecord& record, int depth);
    void visitKey(const QString& key, size_t position);
    void writeDictionary(quint64 u, ClassId id, size_t base, size_t n);
    bool visitPackedText(quint64 u, const PackedRecord::TextView& t);
    bool visitArray(quint64 u, const ArrayPtr& array, int depth);
    bool visitArchived(quint64 u, const DictPtr& object, int depth);
    bool visitChild(const Value& v, int depth);
    quint64 assignArchivedClass(const ArchivedObject& a);
    void writeInline(quint64 index, const Value& v);
    void writeInstance(quint64 u, ClassId id, Name field, quint64 cls);
    void writeHeader(quint64 rootIndex);
    bool failWith(const QString& message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }

    quint64 main(quint64 u) const { return m_mainBase + u; }
    quint64 uidRef(quint64 u) const { return m_uidBase + u; }
    quint64 nextAux() { return m_auxBase + m_aux++; }

    BinaryPlistWriter* m_out = nullptr;
    QString m_error;
    quint64 m_next = 1;
    quint64 m_aux = 0;
    quint64 m_classIndex[kClassCount] = {};
    // Class entries of the archived objects we carry without modelling them, by class.
    std::map<QStringList, quint64> m_archivedClassIndex;
    quint64 m_boolIndex[2] = {};
    bool m_nilUsed = false;
    PointerIndexMap m_containers;
    std::unordered_map<PayloadKey, quint64, PayloadKeyHash> m_payloads;
    KeyIndexMap m_keys;
    std::vector<quint64> m_children;
    std::vector<const void*> m_open;
    qint64 m_bytes = 0;
    quint64 m_refs = 0;

    quint64 m_names[kNameCount] = {};
    quint64 m_uidBase = 0, m_mainBase = 0, m_auxBase = 0;
};

bool Encoder::encode(const Value& root, QIODevice* sink, QByteArray* data, QString* error)
{
    const auto failed = [&] {
        if (error)
            *error = m_error;
        return false;
    };
    if (!run(root))
        return failed();

    // Only the structure strings some object needs are written.
    bool used[kNameCount] = {};
    for (int c = 0; c < kClassCount; ++c) {
        if (!m_classIndex[c])
            continue;
        used[kClassKey] = used[kClassnameKey] = used[kClassesKey] = true;
        for (int i = 0; i < kClasses[c].chainLength; ++i)
            used[kClasses[c].chain[i]] = true;
        for (int i = 0; i < kClasses[c].fieldCount; ++i)
            used[kClasses[c].fields[i]] = true;
    }
    quint64 index = kFixedCount;
    for (int n = 0; n < kNameCount; ++n)
        if (used[n])
            m_names[n] = index++;
    const quint64 objects = m_next;
    // UID(0) stands for nil; it is only written when something is nil.
    m_uidBase = m_nilUsed ? index : index - 1;
    m_mainBase = m_uidBase + objects;
    m_auxBase = m_mainBase + objects;
    const quint64 total = m_auxBase + m_aux;

    const int refSize = BinaryPlistWriter::byteCount(total);
    const qint64 expected = m_bytes + qint64(m_refs + 3 * objects) * refSize +
                            qint64(objects) * (1 + BinaryPlistWriter::byteCount(objects)) + 512;
    std::optional<BinaryPlistWriter> writer;
    if (sink)
        writer.emplace(total, sink);
    else
        writer.emplace(total, qsizetype(expected));
    BinaryPlistWriter& out = *writer;
    m_out = &out;
    for (int n = 0; n < kNameCount; ++n)
        if (used[n])
            out.writeAscii(m_names[n], kNames[n]);
    const quint64 firstUid = m_nilUsed ? 0 : 1;
    out.writeUids(uidRef(firstUid), firstUid, objects - firstUid);
    out.writeAscii(main(0), "$null");

    if (!run(root))
        return failed();
    writeHeader(root.isNone() ? 0 : 1);
    out.beginArray(kObjectsArray, objects);
    for (quint64 u = 0; u < objects; ++u)
        out.appendReference(main(u));

    if (!out.finish(kTopDict)) {
        m_error = out.errorString();
        return failed();
    }
    if (data)
        *data = out.takeData();
    return true;
}

void Encoder::writeHeader(quint64 rootIndex)
{
    m_out->beginDict(kTopDict, 4);
    for (quint64 ref : {kVersionKey, kArchiverKey, kTopKey, kObjectsArrayKey})
        m_out->appendReference(ref);
    for (quint64 ref : {kVersionValue, kArchiverValue, kTopValue, kObjectsArray})
        m_out->appendReference(ref);
    m_out->writeAscii(kVersionKey, "$version");
    m_out->writeAscii(kArchiverKey, "$archiver");
    m_out->writeAscii(kTopKey, "$top");
    m_out->writeAscii(kObjectsArrayKey, "$objects");
    m_out->writeInteger(kVersionValue, 100000);
    m_out->writeAscii(kArchiverValue, "NSKeyedArchiver");
    m_out->beginDict(kTopValue, 1);
    m_out->appendReference(kRootKey);
    m_out->appendReference(uidRef(rootIndex));
    m_out->writeAscii(kRootKey, "root");
}

bool Encoder::run(const Value& root)
{
    m_next = 1;
    m_aux = 0;
    m_children.clear();
    m_open.clear();
    if (root.isNone()) {
        m_nilUsed = true;
        return true;
    }
    bool fresh;
    const quint64 u = assign(root, 0, fresh);
    return m_error.isEmpty() && visit(u, root, 0);
}

quint64 Encoder::assign(const Value& v, int depth, bool& fresh)
{
    fresh = false;
    if (depth > KeyedArchiveReader::kMaxDepth) {
        failWith(QStringLiteral("cannot archive values nested deeper than %1 levels")
                     .arg(KeyedArchiveReader::kMaxDepth));
        return 0;
    }
    const void* container = nullptr;
    long owners = 0;
    switch (v.type()) {
    case Value::Type::None:
        m_nilUsed = true;
        return 0;
    case Value::Type::Bool: {
        // Booleans are shared as Apple's archiver shares its two boolean singletons; the
        // first pass fixes their index, the second recognises its first use by it.
        quint64& slot = m_boolIndex[v.toBool() ? 1 : 0];
        if (!slot)
            slot = m_next;
        fresh = slot == m_next;
        if (fresh)
            ++m_next;
        return slot;
    }
    case Value::Type::Dict: {
        const DictPtr d = v.toDict();
        container = d.get();
        owners = d.use_count() - 1; // minus the copy just taken
        break;
    }
    case Value::Type::Array: {
        const ArrayPtr a = v.toArray();
        container = a.get();
        owners = a.use_count() - 1;
        break;
    }
    case Value::Type::Record: {
        const Record r = v.toRecord();
        container = r.get();
        owners = r.use_count() - 1;
        break;
    }
    case Value::Type::String:
    case Value::Type::Data:
        if (const std::optional<PayloadKey> key = sharedPayload(v)) {
            const quint64 index = m_payloads.try_emplace(*key, m_next).first->second;
            fresh = index == m_next;
            if (fresh)
                ++m_next;
            return index;
        }
        fresh = true;
        return m_next++;
    default:
        fresh = true;
        return m_next++;
    }
    if (!container) {
        m_nilUsed = true;
        return 0;
    }
    // A container with a single owner cannot be met again, so it needs no identity entry.
    if (owners <= 1) {
        fresh = true;
        return m_next++;
    }
    const quint64 index = m_containers.findOrInsert(container, m_next);
    fresh = index == m_next;
    if (fresh)
        ++m_next;
    else if (std::find(m_open.begin(), m_open.end(), container) != m_open.end())
        failWith(QStringLiteral("cannot archive a container that contains itself"));
    return index;
}

quint64 Encoder::assignKey(const QString& key, size_t position, bool& fresh)
{
    const quint64 index = m_keys.findOrInsert(key, position, m_next);
    fresh = index == m_next;
    if (fresh)
        ++m_next;
    return index;
}

quint64 Encoder::assignClass(ClassId id)
{
    quint64& slot = m_classIndex[id];
    if (!slot)
        slot = m_next;
    if (slot != m_next)
        return slot;
    ++m_next;
    const ClassInfo& info = kClasses[id];
    const quint64 chain = nextAux();
    m_refs += 4 + info.chainLength;
    m_bytes += 4;
    if (m_out) {
        m_out->beginDict(main(slot), 2);
        m_out->appendReference(m_names[kClassnameKey]);
        m_out->appendReference(m_names[kClassesKey]);
        m_out->appendReference(m_names[info.chain[0]]);
        m_out->appendReference(chain);
        m_out->beginArray(chain, quint64(info.chainLength));
        for (int i = 0; i < info.chainLength; ++i)
            m_out->appendReference(m_names[info.chain[i]]);
    }
    return slot;
}

void Encoder::writeInstance(quint64 u, ClassId, Name field, quint64 cls)
{
    // {field: payload, $class: UID}; the payload is the next helper object.
    m_out->beginDict(main(u), 2);
    m_out->appendReference(m_names[field]);
    m_out->appendReference(m_names[kClassKey]);
    m_out->appendReference(m_auxBase + m_aux);
    m_out->appendReference(uidRef(cls));
}

bool Encoder::visit(quint64 u, const Value& v, int depth)
{
    BinaryPlistWriter* out = m_out;
    switch (v.type()) {
    case Value::Type::None:
        return true;
    case Value::Type::Bool:
        m_bytes += 1;
        if (out)
            out->writeBool(main(u), v.toBool());
        return true;
    case Value::Type::Integer:
        m_bytes += 9;
        if (out)
            out->writeInteger(main(u), v.toInteger());
        return true;
    case Value::Type::Unsigned:
        m_bytes += 17;
        if (out)
            out->writeUnsigned(main(u), v.toUnsigned());
        return true;
    case Value::Type::Real:
        m_bytes += 9;
        if (out)
            out->writeReal(main(u), v.toReal());
        return true;
    case Value::Type::String: {
        const QString* s = v.stringPtr();
        m_bytes += 10 + s->size();
        if (!v.isMutable()) {
            if (out)
                out->writeString(main(u), *s);
            return true;
        }
        const quint64 cls = assignClass(kMutableStringClass);
        m_refs += 4;
        if (out) {
            writeInstance(u, kMutableStringClass, kStringKey, cls);
            out->writeString(m_auxBase + m_aux, *s);
        }
        ++m_aux;
        return true;
    }
    case Value::Type::Data: {
        const QByteArray d = v.toData();
        m_bytes += 10 + d.size();
        if (!v.isMutable()) {
            if (out)
                out->writeData(main(u), d);
            return true;
        }
        const quint64 cls = assignClass(kMutableDataClass);
        m_refs += 4;
        if (out) {
            writeInstance(u, kMutableDataClass, kDataKey, cls);
            out->writeData(m_auxBase + m_aux, d);
        }
        ++m_aux;
        return true;
    }
    case Value::Type::Uuid: {
        const quint64 cls = assignClass(kUuidClass);
        m_refs += 4;
        m_bytes += 20;
        if (out) {
            writeInstance(u, kUuidClass, kUuidBytesKey, cls);
            out->writeData(m_auxBase + m_aux, v.toUuid().toRfc4122());
        }
        ++m_aux;
        return true;
    }
    case Value::Type::Date: {
        const quint64 cls = assignClass(kDateClass);
        m_refs += 4;
        m_bytes += 12;
        if (out) {
            writeInstance(u, kDateClass, kTimeKey, cls);
            out->writeReal(m_auxBase + m_aux, v.toDate().secondsSince2001);
        }
        ++m_aux;
        return true;
    }
    case Value::Type::Dict:
        return visitDict(u, v.toDict(), depth);
    case Value::Type::Record:
        return visitRecord(u, *v.toRecord(), depth);
    case Value::Type::Array:
        return visitArray(u, v.toArray(), depth);
    }
    return true;
}

bool Encoder::visitDict(quint64 u, const DictPtr& dict, int depth)
{
    // Apple's order: every key first, then each value with everything below it, then the
    // class dictionary if this is its first instance.
    if (dict->archived)
        return visitArchived(u, dict, depth);
    const size_t base = m_children.size();
    const size_t n = dict->entries.size();
    m_open.push_back(dict.get());
    if (n > 0 && depth + 1 > KeyedArchiveReader::kMaxDepth)
        return failWith(QStringLiteral("cannot archive values nested deeper than %1 levels")
                            .arg(KeyedArchiveReader::kMaxDepth));
    for (size_t i = 0; i < n; ++i)
        visitKey(dict->entries[i].first, i);
    for (size_t i = 0; i < n; ++i)
        if (!visitChild(dict->entries[i].second, depth))
            return false;
    m_open.pop_back();

    writeDictionary(u, dict->isMutable ? kMutableDictionaryClass : kDictionaryClass, base, n);
    return true;
}

void Encoder::visitKey(const QString& key, size_t position)
{
    bool fresh;
    const quint64 k = assignKey(key, position, fresh);
    m_children.push_back(k);
    if (fresh) {
        m_bytes += 10 + key.size();
        if (m_out)
            m_out->writeString(main(k), key);
    }
}

void Encoder::writeDictionary(quint64 u, ClassId id, size_t base, size_t n)
{
    // {NS.keys, NS.objects, $class}: the n keys and then the n values from m_children[base].
    const quint64 cls = assignClass(id);
    m_refs += 6 + 2 * n;
    m_bytes += 3 * 10;
    const quint64 keys = nextAux();
    const quint64 objects = nextAux();
    if (m_out) {
        m_out->beginDict(main(u), 3);
        m_out->appendReference(m_names[kKeysKey]);
        m_out->appendReference(m_names[kObjectsKey]);
        m_out->appendReference(m_names[kClassKey]);
        m_out->appendReference(keys);
        m_out->appendReference(objects);
        m_out->appendReference(uidRef(cls));
        m_out->beginArray(keys, n);
        for (size_t i = 0; i < n; ++i)
            m_out->appendReference(uidRef(m_children[base + i]));
        m_out->beginArray(objects, n);
        for (size_t i = 0; i < n; ++i)
            m_out->appendReference(uidRef(m_children[base + n + i]));
    }
    m_children.resize(base);
}

bool Encoder::visitRecord(quint64 u, const PackedRecord& record, int depth)
{
    // As visitDict, reading the values where the record packs them.
    const size_t base = m_children.size();
    const size_t n = size_t(record.size());
    if (n > 0 && depth + 1 > KeyedArchiveReader::kMaxDepth)
        return failWith(QStringLiteral("cannot archive values nested deeper than %1 levels")
                            .arg(KeyedArchiveReader::kMaxDepth));
    m_open.push_back(&record);
    for (size_t i = 0; i < n; ++i)
        visitKey(record.keyAt(qsizetype(i)), i);
    for (size_t i = 0; i < n; ++i) {
        PackedRecord::TextView text;
        if (record.packedTextAt(qsizetype(i), text)) {
            // A packed text is the record's own: never met before, never met again.
            const quint64 v = m_next++;
            m_children.push_back(v);
            visitPackedText(v, text);
            continue;
        }
        const Value* aside = record.asideAt(qsizetype(i));
        if (!visitChild(aside ? *aside : record.valueAt(qsizetype(i)), depth))
            return false;
    }
    m_open.pop_back();

    writeDictionary(u, kMutableDictionaryClass, base, n);
    return true;
}

bool Encoder::visitPackedText(quint64 u, const PackedRecord::TextView& t)
{
    BinaryPlistWriter* out = m_out;
    m_bytes += 10 + t.size();
    const auto write = [&](quint64 index) {
        if (t.isWide)
            out->writeString(index, t.utf16);
        else
            out->writeString(index, t.latin1);
    };
    if (!t.isMutable) {
        if (out)
            write(main(u));
        return true;
    }
    const quint64 cls = assignClass(kMutableStringClass);
    m_refs += 4;
    if (out) {
        writeInstance(u, kMutableStringClass, kStringKey, cls);
        write(m_auxBase + m_aux);
    }
    ++m_aux;
    return true;
}

bool Encoder::visitArray(quint64 u, const ArrayPtr& array, int depth)
{
    const size_t base = m_children.size();
    const size_t n = array->items.size();
    m_open.push_back(array.get());
    for (size_t i = 0; i < n; ++i) {
        // Long lists of records are memory-bound: fetch what a record a few places ahead will
        // need while this one is written (the record, then its block of values).
        if (i + 8 < n)
            if (const PackedRecord* r = array->items[i + 8].recordPtr())
                prefetch(r);
        if (i + 4 < n)
            if (const PackedRecord* r = array->items[i + 4].recordPtr()) {
                const char* p = static_cast<const char*>(r->storage());
                for (size_t b = 0; p && b < 256; b += 64)
                    prefetch(p + b);
            }
        bool fresh;
        const Value& item = array->items[i];
        const quint64 v = assign(item, depth + 1, fresh);
        if (!m_error.isEmpty())
            return false;
        m_children.push_back(v);
        if (fresh && !visit(v, item, depth + 1))
            return false;
    }
    m_open.pop_back();

    const quint64 cls = assignClass(array->isMutable ? kMutableArrayClass : kArrayClass);
    m_refs += 4 + n;
    m_bytes += 2 * 10;
    const quint64 objects = nextAux();
    if (m_out) {
        m_out->beginDict(main(u), 2);
        m_out->appendReference(m_names[kObjectsKey]);
        m_out->appendReference(m_names[kClassKey]);
        m_out->appendReference(objects);
        m_out->appendReference(uidRef(cls));
        m_out->beginArray(objects, n);
        for (size_t i = 0; i < n; ++i)
            m_out->appendReference(uidRef(m_children[base + i]));
    }
    m_children.resize(base);
    return true;
}

bool Encoder::visitChild(const Value& v, int depth)
{
    bool fresh;
    const quint64 index = assign(v, depth + 1, fresh);
    if (!m_error.isEmpty())
        return false;
    m_children.push_back(index);
    return !fresh || visit(index, v, depth + 1);
}

quint64 Encoder::assignArchivedClass(const ArchivedObject& a)
{
    QStringList key = a.classes;
    key.prepend(a.hasClasses ? QStringLiteral("+") : QStringLiteral("-"));
    key.prepend(a.className);
    quint64& slot = m_archivedClassIndex[key];
    if (!slot)
        slot = m_next;
    if (slot != m_next)
        return slot;
    ++m_next;
    // {$classname: name, $classes: [chain]} as it was read.
    const quint64 nameKey = nextAux(), nameValue = nextAux();
    m_refs += 2 + (a.hasClasses ? 3 + a.classes.size() : 0);
    m_bytes += 30 + a.className.size();
    if (m_out) {
        m_out->writeAscii(nameKey, "$classname");
        m_out->writeString(nameValue, a.className);
    }
    if (!a.hasClasses) {
        if (m_out) {
            m_out->beginDict(main(slot), 1);
            m_out->appendReference(nameKey);
            m_out->appendReference(nameValue);
        }
        return slot;
    }
    const quint64 classesKey = nextAux(), chain = nextAux();
    const quint64 firstClass = m_auxBase + m_aux;
    m_aux += quint64(a.classes.size());
    for (const QString& c : a.classes)
        m_bytes += 10 + c.size();
    if (m_out) {
        m_out->beginDict(main(slot), 2);
        m_out->appendReference(nameKey);
        m_out->appendReference(classesKey);
        m_out->appendReference(nameValue);
        m_out->appendReference(chain);
        m_out->writeAscii(classesKey, "$classes");
        m_out->beginArray(chain, quint64(a.classes.size()));
        for (qsizetype i = 0; i < a.classes.size(); ++i)
            m_out->appendReference(firstClass + quint64(i));
        for (qsizetype i = 0; i < a.classes.size(); ++i)
            m_out->writeString(firstClass + quint64(i), a.classes[i]);
    }
    return slot;
}

void Encoder::writeInline(quint64 index, const Value& v)
{
    switch (v.type()) {
    case Value::Type::Bool:
        m_out->writeBool(index, v.toBool());
        break;
    case Value::Type::Integer:
        m_out->writeInteger(index, v.toInteger());
        break;
    case Value::Type::Unsigned:
        m_out->writeUnsigned(index, v.toUnsigned());
        break;
    case Value::Type::Real:
        m_out->writeReal(index, v.toReal());
        break;
    case Value::Type::Date:
        m_out->writeDate(index, v.toDate().secondsSince2001);
        break;
    case Value::Type::String:
        m_out->writeString(index, *v.stringPtr());
        break;
    case Value::Type::Data:
        m_out->writeData(index, *v.dataPtr());
        break;
    default:
        break; // refused by visitArchived before anything is written
    }
}

bool Encoder::visitArchived(quint64 u, const DictPtr& object, int depth)
{
    // Written back as it was read: each field inline, as one reference or as a list of them.
    const ArchivedObject& a = *object->archived;
    const size_t base = m_children.size();
    m_open.push_back(object.get());
    for (const auto& [key, value] : object->entries) {
        if (a.inlineFields.contains(key)) {
            switch (value.type()) {
            case Value::Type::None:
            case Value::Type::Uuid:
            case Value::Type::Array:
            case Value::Type::Dict:
                return failWith(QStringLiteral("cannot archive field '%1' of a %2 inline")
                                    .arg(key, a.className));
            default:
                break;
            }
        } else if (a.referenceListFields.contains(key)) {
            const ArrayPtr list = value.toArray();
            if (!list)
                return failWith(
                    QStringLiteral("field '%1' of a %2 is not a list").arg(key, a.className));
            for (const Value& item : list->items)
                if (!visitChild(item, depth))
                    return false;
        } else if (!visitChild(value, depth)) {
            return false;
        }
    }
    m_open.pop_back();

    const quint64 cls = assignArchivedClass(a);
    const size_t n = object->entries.size();
    const quint64 firstKey = m_auxBase + m_aux;
    m_aux += n + 1; // the field names, then "$class"
    m_refs += 2 * (n + 1);
    m_bytes += 20;
    std::vector<quint64> values;
    values.reserve(n);
    size_t child = base;
    for (const auto& [key, value] : object->entries) {
        m_bytes += 10 + key.size();
        if (a.inlineFields.contains(key)) {
            values.push_back(nextAux());
            m_bytes += 10 + std::max(value.toString().size(), value.toData().size()) * 2;
            if (m_out)
                writeInline(values.back(), value);
        } else if (a.referenceListFields.contains(key)) {
            const size_t count = value.toArray()->items.size();
            values.push_back(nextAux());
            m_refs += count;
            if (m_out) {
                m_out->beginArray(values.back(), count);
                for (size_t i = 0; i < count; ++i)
                    m_out->appendReference(uidRef(m_children[child + i]));
            }
            child += count;
        } else {
            values.push_back(uidRef(m_children[child++]));
        }
    }
    if (m_out) {
        m_out->beginDict(main(u), n + 1);
        for (size_t i = 0; i <= n; ++i)
            m_out->appendReference(firstKey + i);
        for (const quint64 v : values)
            m_out->appendReference(v);
        m_out->appendReference(uidRef(cls));
        for (size_t i = 0; i < n; ++i)
            m_out->writeString(firstKey + i, object->entries[i].first);
        m_out->writeAscii(firstKey + n, "$class");
    }
    m_children.resize(base);
    return true;
}

} // namespace

Result<QByteArray> KeyedArchiveWriter::archivedData(const Value& root)
{
    Encoder encoder;
    QByteArray data;
    QString error;
    if (!encoder.encode(root, nullptr, &data, &error))
        return fail(error);
    return data;
}

Result<> KeyedArchiveWriter::writeArchive(const Value& root, QIODevice* device)
{
    Encoder encoder;
    QString error;
    if (!encoder.encode(root, device, nullptr, &error))
        return fail(error);
    return {};
}

} // namespace quillory
