#include "archive/keyedarchivereader.h"

#include "core/array.h"
#include "core/dict.h"

#include <QSet>

#include <algorithm>
#include <system_error>
#include <thread>

#include <limits>

namespace quillory {

using Kind = BinaryPlistReader::Kind;
using Object = BinaryPlistReader::Object;

namespace {

constexpr quint32 kBusy = std::numeric_limits<quint32>::max();
// A slot at or above this (kBusy aside) is a long text packed into one record so far: the
// position of that record in m_claims. Below it, 1 + a position in m_memo.
constexpr quint32 kClaimed = 0x80000000u;

bool isMemo(quint32 slot)
{
    return slot != 0 && slot < kClaimed;
}

bool isClaim(quint32 slot)
{
    return slot >= kClaimed && slot != kBusy;
}
constexpr quint64 kNoRef = std::numeric_limits<quint64>::max();
// Above this many entries a dictionary checks its keys for duplicates through a hash.
constexpr size_t kLinearKeyCheck = 32;
// Record lists at least this long are read on several threads.
constexpr size_t kParallelRecords = 4096;

Value integerValue(BinaryPlistReader::Integer v)
{
    if (v.high == 0)
        return v.low <= quint64(std::numeric_limits<qint64>::max()) ? Value::integer(qint64(v.low))
                                                                    : Value::unsignedInteger(v.low);
    if (v.high == ~quint64(0) && (v.low >> 63))
        return Value::integer(qint64(v.low));
    // Beyond 64 bits only the low half counts, as in Apple's reader.
    return Value::unsignedInteger(v.low);
}

bool sameKey(const QString& a, const QString& b)
{
    // Keys are mostly short and shared; comparing the first unit spares most full comparisons.
    return a.size() == b.size() &&
           (a.constData() == b.constData() || (!a.isEmpty() && a.front() == b.front() && a == b) ||
            a.isEmpty());
}

} // namespace

// The value references of the fields an object dictionary names.
struct KeyedArchiveReader::Fields
{
    quint64 ref[8] = {kNoRef, kNoRef, kNoRef, kNoRef, kNoRef, kNoRef, kNoRef, kNoRef};
    bool has(Field f) const { return ref[int(f)] != kNoRef; }
    quint64 operator[](Field f) const { return ref[int(f)]; }
};

KeyedArchiveReader::KeyedArchiveReader()
{
    for (auto& entry : m_fieldCache)
        entry = {kNoRef, Field::Other};
}

Result<Value> KeyedArchiveReader::rootObject(const QByteArray& data, const QString& recordListKey)
{
    KeyedArchiveReader reader;
    reader.setRecordListKey(recordListKey);
    std::optional<Value> root;
    if (reader.open(data))
        root = reader.decodeTop();
    if (!root)
        return quillory::fail(reader.error());
    return *root;
}

bool KeyedArchiveReader::fail(const QString& message)
{
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

bool KeyedArchiveReader::open(const QByteArray& data)
{
    m_error.clear();
    m_slot.clear();
    m_memo.clear();
    m_classes.clear();
    m_archivedClasses.clear();
    m_lastClass = {0, ClassKind::Unknown};
    m_recordListIndex = 0;
    m_claims.clear();
    m_lastKeys.reset();
    m_lastKeyObjects.clear();
    m_fileSize = data.size();
    m_budget = m_limit = kDecodedFloor + kDecodedPerFileByte * m_fileSize;
    if (!m_plist.open(data))
        return fail(m_plist.error());

    Object top;
    if (!m_plist.object(m_plist.topObject(), top))
        return fail(m_plist.error());
    if (top.kind != Kind::Dict)
        return fail(QStringLiteral("not a keyed archive: the top object is not a dictionary"));
    bool archiverOk = false, versionOk = false, hasTop = false, hasObjects = false;
    for (quint64 i = 0; i < top.count; ++i) {
        quint64 keyRef, valueRef;
        Object key, value;
        if (!m_plist.reference(top, i, keyRef) ||
            !m_plist.reference(top, top.count + i, valueRef) || !m_plist.object(keyRef, key) ||
            !m_plist.object(valueRef, value))
            return fail(m_plist.error());
        if (m_plist.stringEquals(key, "$archiver")) {
            archiverOk = (value.kind == Kind::AsciiString || value.kind == Kind::Utf16String) &&
                         m_plist.stringEquals(value, "NSKeyedArchiver");
        } else if (m_plist.stringEquals(key, "$version")) {
            if (value.kind == Kind::Integer) {
                const auto v = m_plist.integer(value);
                versionOk = v.high == 0 && v.low == 100000;
            }
        } else if (m_plist.stringEquals(key, "$top")) {
            hasTop = value.kind == Kind::Dict;
            m_top = value;
        } else if (m_plist.stringEquals(key, "$objects")) {
            hasObjects = value.kind == Kind::Array;
            m_objects = value;
        }
    }
    if (!archiverOk)
        return fail(QStringLiteral("not a keyed archive: $archiver is not NSKeyedArchiver"));
    if (!versionOk)
        return fail(QStringLiteral("not a keyed archive: $version is not 100000"));
    if (!hasTop || !hasObjects)
        return fail(QStringLiteral("not a keyed archive: $top or $objects is missing"));
    if (m_objects.count >= kClaimed)
        return fail(QStringLiteral("the archive holds more objects than a document can"));
    m_slot.assign(m_objects.count, 0);
    return true;
}

std::optional<quint64> KeyedArchiveReader::topObjectIndex(const QString& key)
{
    if (m_slot.size() != m_objects.count || m_top.kind != Kind::Dict)
        return std::nullopt;
    for (quint64 i = 0; i < m_top.count; ++i) {
        quint64 keyRef, valueRef;
        Object k, v;
        if (!m_plist.reference(m_top, i, keyRef) ||
            !m_plist.reference(m_top, m_top.count + i, valueRef) || !m_plist.object(keyRef, k) ||
            !m_plist.object(valueRef, v)) {
            fail(m_plist.error());
            return std::nullopt;
        }
        if ((k.kind == Kind::AsciiString || k.kind == Kind::Utf16String) &&
            m_plist.string(k) == key) {
            if (v.kind != Kind::Uid) {
                fail(QStringLiteral("$top entry '%1' is not an object reference").arg(key));
                return std::nullopt;
            }
            return m_plist.uid(v);
        }
    }
    return std::nullopt;
}

std::optional<Value> KeyedArchiveReader::decodeTop(const QString& key)
{
    const std::optional<quint64> index = topObjectIndex(key);
    if (!index) {
        fail(QStringLiteral("the archive has no root object ($top '%1')").arg(key));
        return std::nullopt;
    }
    return decodeObject(*index);
}

std::optional<Value> KeyedArchiveReader::decodeObject(quint64 index)
{
    if (m_slot.size() != m_objects.count) {
        fail(QStringLiteral("no archive is open"));
        return std::nullopt;
    }
    m_error.clear();
    Value v;
    if (decode(index, 0, v))
        return v;
    // Objects left half-decoded by the failure may be asked for again later.
    for (quint32& slot : m_slot)
        if (slot == kBusy)
            slot = 0;
    return std::nullopt;
}

bool KeyedArchiveReader::charge(qint64 bytes)
{
    m_budget -= bytes;
    if (m_budget >= 0)
        return true;
    return fail(QStringLiteral("the archive would take more than %1 MiB of memory once decoded, "
                               "far beyond what a file of %2 bytes holds")
                    .arg(QString::number(double(m_limit) / (1 << 20), 'f', 1))
                    .arg(m_fileSize));
}

void KeyedArchiveReader::remember(quint64 index, const Value& v)
{
    m_memo.push_back(v);
    m_slot[index] = quint32(m_memo.size());
}

bool KeyedArchiveReader::decode(quint64 index, int depth, Value& out)
{
    if (index == 0) {
        out = Value();
        return true;
    }
    if (index >= m_objects.count)
        return fail(QStringLiteral("reference to object %1, past the %2 archived objects")
                        .arg(index)
                        .arg(m_objects.count));
    const quint32 slot = m_slot[index];
    if (slot == kBusy)
        return fail(QStringLiteral("the archive holds a reference cycle (object %1)").arg(index));
    if (isClaim(slot))
        return shareClaimed(index, out);
    if (slot != 0) {
        out = m_memo[slot - 1];
        return true;
    }
    if (depth > kMaxDepth)
        return fail(
            QStringLiteral("the archive nests objects deeper than %1 levels").arg(kMaxDepth));

    quint64 ref;
    Object o;
    if (!m_plist.reference(m_objects, index, ref) || !m_plist.object(ref, o))
        return fail(m_plist.error());
    switch (o.kind) {
    case Kind::Bool:
        out = Value::boolean(o.boolValue);
        return true;
    case Kind::Integer:
        out = integerValue(m_plist.integer(o));
        return true;
    case Kind::Real:
        out = Value::real(m_plist.real(o));
        return true;
    case Kind::Date:
        out = Value::date({m_plist.real(o)});
        return true;
    // Short plain values are rebuilt at each reference: most are referenced once. Longer ones
    // are decoded once and shared, so that many references to one cannot multiply it in
    // memory. Keys are shared whatever their length (see decodeKey).
    case Kind::Data:
        if (!charge(qint64(o.count) + 32))
            return false;
        out = Value::data(m_plist.data(o));
        if (o.count >= quint64(kSharedPayload))
            remember(index, out);
        return true;
    case Kind::AsciiString:
    case Kind::Utf16String:
        if (!charge(2 * qint64(o.count) + 32))
            return false;
        out = Value::string(m_plist.string(o));
        if (o.count >= quint64(kSharedPayload))
            remember(index, out);
        return true;
    case Kind::Dict:
        return decodeInstance(index, o, depth, out);
    default:
        return fail(
            QStringLiteral("archived object %1 is neither a value nor an object").arg(index));
    }
}

KeyedArchiveReader::Field KeyedArchiveReader::fieldOf(quint64 keyRef)
{
    for (const auto& [ref, field] : m_fieldCache)
        if (ref == keyRef)
            return field;
    Object key;
    Field field = Field::Other;
    if (m_plist.object(keyRef, key)) {
        static constexpr std::pair<const char*, Field> names[] = {
            {"$class", Field::Class},       {"NS.keys", Field::Keys},
            {"NS.objects", Field::Objects}, {"NS.string", Field::String},
            {"NS.data", Field::Data},       {"NS.uuidbytes", Field::UuidBytes},
            {"NS.time", Field::Time}};
        for (const auto& [name, f] : names)
            if (m_plist.stringEquals(key, name))
                field = f;
    }
    m_fieldCache[m_fieldCacheNext++ % std::size(m_fieldCache)] = {keyRef, field};
    return field;
}

bool KeyedArchiveReader::classOf(quint64 classIndex, ClassKind& kind)
{
    if (m_lastClass.second != ClassKind::Unknown && m_lastClass.first == classIndex) {
        kind = m_lastClass.second;
        return true;
    }
    if (const auto it = m_classes.constFind(classIndex); it != m_classes.cend()) {
        kind = *it;
        m_lastClass = {classIndex, kind};
        return true;
    }
    quint64 ref;
    Object cls;
    if (classIndex == 0 || classIndex >= m_objects.count)
        return fail(QStringLiteral("class reference %1 is out of range").arg(classIndex));
    if (!m_plist.reference(m_objects, classIndex, ref) || !m_plist.object(ref, cls))
        return fail(m_plist.error());
    if (cls.kind != Kind::Dict)
        return fail(QStringLiteral("class entry %1 is not a dictionary").arg(classIndex));
    QString name;
    for (quint64 i = 0; i < cls.count && name.isNull(); ++i) {
        quint64 keyRef, valueRef;
        Object key, value;
        if (!m_plist.reference(cls, i, keyRef) ||
            !m_plist.reference(cls, cls.count + i, valueRef) || !m_plist.object(keyRef, key))
            return fail(m_plist.error());
        if (!m_plist.stringEquals(key, "$classname"))
            continue;
        if (!m_plist.object(valueRef, value))
            return fail(m_plist.error());
        if (value.kind != Kind::AsciiString && value.kind != Kind::Utf16String)
            break;
        name = m_plist.string(value);
    }
    if (name.isNull())
        return fail(QStringLiteral("class entry %1 has no class name").arg(classIndex));

    static const QHash<QString, ClassKind> known = {
        {QStringLiteral("NSDictionary"), ClassKind::Dictionary},
        {QStringLiteral("NSMutableDictionary"), ClassKind::MutableDictionary},
        {QStringLiteral("NSArray"), ClassKind::Array},
        {QStringLiteral("NSMutableArray"), ClassKind::MutableArray},
        {QStringLiteral("NSString"), ClassKind::String},
        {QStringLiteral("NSMutableString"), ClassKind::MutableString},
        {QStringLiteral("NSData"), ClassKind::Data},
        {QStringLiteral("NSMutableData"), ClassKind::MutableData},
        {QStringLiteral("NSUUID"), ClassKind::Uuid},
        {QStringLiteral("NSDate"), ClassKind::Date},
    };
    kind = known.value(name, ClassKind::Unknown);
    if (kind == ClassKind::Unknown && !readClassChain(classIndex, cls, name))
        return false;
    m_classes.insert(classIndex, kind);
    m_lastClass = {classIndex, kind};
    return true;
}

bool KeyedArchiveReader::readClassChain(quint64 classIndex, const Object& cls, const QString& name)
{
    ArchivedObject archived;
    archived.className = name;
    archived.hasClasses = false;
    for (quint64 i = 0; i < cls.count; ++i) {
        quint64 keyRef, valueRef;
        Object key, value;
        if (!m_plist.reference(cls, i, keyRef) ||
            !m_plist.reference(cls, cls.count + i, valueRef) || !m_plist.object(keyRef, key))
            return fail(m_plist.error());
        if (!m_plist.stringEquals(key, "$classes"))
            continue;
        if (!m_plist.object(valueRef, value) || value.kind != Kind::Array)
            return fail(QStringLiteral("class entry %1 has a malformed $classes").arg(classIndex));
        archived.hasClasses = true;
        for (quint64 k = 0; k < value.count; ++k) {
            quint64 ref;
            Object n;
            if (!m_plist.reference(value, k, ref) || !m_plist.object(ref, n) ||
                (n.kind != Kind::AsciiString && n.kind != Kind::Utf16String))
                return fail(
                    QStringLiteral("class entry %1 has a malformed $classes").arg(classIndex));
            archived.classes.append(m_plist.string(n));
        }
    }
    m_archivedClasses.insert(classIndex, std::move(archived));
    return true;
}

bool KeyedArchiveReader::inlineObject(quint64 ref, Kind k1, Kind k2, const char* what, Object& out)
{
    if (!m_plist.object(ref, out))
        return fail(m_plist.error());
    if (out.kind != k1 && out.kind != k2)
        return fail(QStringLiteral("archived %1 has a malformed payload").arg(QLatin1String(what)));
    return true;
}

bool KeyedArchiveReader::referencedIndex(const Object& array, quint64 position, quint64& index)
{
    if (const std::optional<quint64> uid = m_plist.plainUidAt(array, position)) {
        index = *uid;
        return true;
    }
    quint64 ref;
    Object o;
    if (!m_plist.reference(array, position, ref) || !m_plist.object(ref, o))
        return fail(m_plist.error());
    if (o.kind != Kind::Uid)
        return fail(QStringLiteral("archived collection holds a value where a reference belongs"));
    index = m_plist.uid(o);
    return true;
}

bool KeyedArchiveReader::decodeInstance(quint64 index, const Object& dict, int depth, Value& out)
{
    Fields fields;
    for (quint64 i = 0; i < dict.count; ++i) {
        quint64 keyRef, valueRef;
        if (!m_plist.reference(dict, i, keyRef) ||
            !m_plist.reference(dict, dict.count + i, valueRef))
            return fail(m_plist.error());
        const Field f = fieldOf(keyRef);
        if (f != Field::Other)
            fields.ref[int(f)] = valueRef;
    }
    if (!fields.has(Field::Class))
        return fail(QStringLiteral("archived object %1 has no class").arg(index));
    Object classRef;
    if (!m_plist.object(fields[Field::Class], classRef))
        return fail(m_plist.error());
    if (classRef.kind != Kind::Uid)
        return fail(QStringLiteral("archived object %1 has a malformed class").arg(index));
    ClassKind kind;
    if (!classOf(m_plist.uid(classRef), kind))
        return false;

    Object payload;
    switch (kind) {
    case ClassKind::Dictionary:
    case ClassKind::MutableDictionary:
        return decodeDictionary(index, fields, kind == ClassKind::MutableDictionary, depth, out);
    case ClassKind::Array:
    case ClassKind::MutableArray:
        return decodeArray(index, fields, kind == ClassKind::MutableArray, depth, out);
    case ClassKind::String:
    case ClassKind::MutableString:
        // NS.string holds the text itself; a reference there (as some clones wrote) is refused.
        if (!fields.has(Field::String) || !inlineObject(fields[Field::String], Kind::AsciiString,
                                                        Kind::Utf16String, "string", payload))
            return fail(QStringLiteral("archived string %1 has no inline NS.string").arg(index));
        if (!charge(2 * qint64(payload.count) + 32))
            return false;
        out = Value::string(m_plist.string(payload), kind == ClassKind::MutableString);
        break;
    case ClassKind::Data:
    case ClassKind::MutableData:
        if (!fields.has(Field::Data) ||
            !inlineObject(fields[Field::Data], Kind::Data, Kind::Data, "data", payload))
            return fail(QStringLiteral("archived data %1 has no inline NS.data").arg(index));
        if (!charge(qint64(payload.count) + 32))
            return false;
        out = Value::data(m_plist.data(payload), kind == ClassKind::MutableData);
        break;
    case ClassKind::Uuid:
        if (!fields.has(Field::UuidBytes) ||
            !inlineObject(fields[Field::UuidBytes], Kind::Data, Kind::Data, "UUID", payload) ||
            payload.count != 16)
            return fail(QStringLiteral("archived UUID %1 does not hold 16 bytes").arg(index));
        out = Value::uuid(QUuid::fromRfc4122(m_plist.data(payload)));
        break;
    case ClassKind::Date:
        if (!fields.has(Field::Time) || !m_plist.object(fields[Field::Time], payload))
            return fail(QStringLiteral("archived date %1 has no NS.time").arg(index));
        if (payload.kind == Kind::Real || payload.kind == Kind::Date)
            out = Value::date({m_plist.real(payload)});
        else if (payload.kind == Kind::Integer)
            out = Value::date({integerValue(m_plist.integer(payload)).toReal()});
        else
            return fail(QStringLiteral("archived date %1 has a malformed NS.time").arg(index));
        break;
    case ClassKind::Unknown:
        return decodeArchived(index, dict, m_plist.uid(classRef), depth, out);
    }
    remember(index, out);
    return true;
}

bool KeyedArchiveReader::decodeKey(quint64 index, int depth, const QString*& out)
{
    // Every record names the same few keys: each is decoded once and then shared.
    quint32 slot = index < m_slot.size() ? m_slot[index] : 0;
    if (!isMemo(slot)) {
        Value key;
        if (!decode(index, depth, key))
            return false;
        if (m_slot[index] == 0)
            remember(index, key);
        slot = m_slot[index];
        if (!isMemo(slot))
            return fail(QStringLiteral("archived dictionary has a key that is not a string"));
    }
    out = m_memo[slot - 1].stringPtr();
    if (!out)
        return fail(QStringLiteral("archived dictionary has a key that is not a string"));
    return true;
}

bool KeyedArchiveReader::decodeDictionary(quint64 index, const Fields& fields, bool isMutable,
                                          int depth, Value& out)
{
    Object keys, objects;
    if (!fields.has(Field::Keys) || !fields.has(Field::Objects) ||
        !inlineObject(fields[Field::Keys], Kind::Array, Kind::Array, "dictionary", keys) ||
        !inlineObject(fields[Field::Objects], Kind::Array, Kind::Array, "dictionary", objects))
        return fail(
            QStringLiteral("archived dictionary %1 lacks NS.keys or NS.objects").arg(index));
    if (keys.count != objects.count)
        return fail(QStringLiteral("archived dictionary %1 has %2 keys for %3 values")
                        .arg(index)
                        .arg(keys.count)
                        .arg(objects.count));

    if (!charge(64 + 48 * qint64(keys.count)))
        return false;
    m_slot[index] = kBusy;
    DictPtr dict = Dict::make(isMutable);
    dict->entries.reserve(size_t(keys.count));
    QSet<QString> seen;
    for (quint64 i = 0; i < keys.count; ++i) {
        quint64 keyIndex, valueIndex;
        const QString* key;
        if (!referencedIndex(keys, i, keyIndex) || !decodeKey(keyIndex, depth + 1, key))
            return false;
        QString name = *key; // before the value is decoded, which may move the memo
        Value value;
        if (!referencedIndex(objects, i, valueIndex))
            return false;
        if (depth == 0 && !m_recordListKey.isEmpty() && name == m_recordListKey)
            m_recordListIndex = valueIndex;
        if (!decode(valueIndex, depth + 1, value))
            return false;
        // A repeated key keeps its first place and its last value, as a dictionary would.
        Value* existing = nullptr;
        if (keys.count <= kLinearKeyCheck) {
            for (auto& [k, v] : dict->entries) {
                if (sameKey(k, name)) {
                    existing = &v;
                    break;
                }
            }
        } else if (seen.contains(name)) {
            existing = dict->find(name);
        } else {
            seen.insert(name);
        }
        if (existing)
            *existing = std::move(value);
        else
            dict->entries.emplace_back(std::move(name), std::move(value));
    }
    out = Value::dict(std::move(dict));
    remember(index, out);
    return true;
}

bool KeyedArchiveReader::decodeArray(quint64 index, const Fields& fields, bool isMutable, int depth,
                                     Value& out)
{
    Object objects;
    if (!fields.has(Field::Objects) ||
        !inlineObject(fields[Field::Objects], Kind::Array, Kind::Array, "array", objects))
        return fail(QStringLiteral("archived array %1 lacks NS.objects").arg(index));
    if (!charge(64 + 32 * qint64(objects.count)))
        return false;
    m_slot[index] = kBusy;
    std::vector<Value> items;
    items.reserve(size_t(objects.count));
    if (index == m_recordListIndex && depth == 1) {
        if (!decodeRecordList(objects, depth, items))
            return false;
    } else {
        for (quint64 i = 0; i < objects.count; ++i) {
            quint64 itemIndex;
            Value item;
            if (!referencedIndex(objects, i, itemIndex) || !decode(itemIndex, depth + 1, item))
                return false;
            items.push_back(std::move(item));
        }
    }
    out = Value::array(Array::make(std::move(items), isMutable));
    remember(index, out);
    return true;
}

// Reads records for decodeRecordList on its own thread: only const access to the reader,
// whose caches no other thread changes meanwhile.
class KeyedArchiveReader::RecordPreparer
{
public:
    RecordPreparer(const KeyedArchiveReader& reader, qint64 budget) : r(reader), m_budget(budget) {}

    void prepare(const std::vector<quint64>& items, size_t from, size_t to,
                 std::vector<PreparedRecord>& out)
    {
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
        if (!known(index) || !object(index, o) || o.kind != Kind::Dict || o.count != 3)
            return 0;
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
                    m_spent += qint64(v.count);
                    if (m_spent > m_budget)
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
        if (bytes > std::numeric_limits<quint32>::max())
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
};

bool KeyedArchiveReader::decodeRecordList(const Object& objects, int depth,
                                          std::vector<Value>& items)
{
    const size_t count = size_t(objects.count);
    std::vector<quint64> indices(count);
    for (size_t i = 0; i < count; ++i)
        if (!referencedIndex(objects, quint64(i), indices[i]))
            return false;
    // Long lists are read on every core: the first record is read here first, bringing in the
    // keys and classes the others share; the rest is split between threads that only read.
    // Then each record is taken in order, and whatever a thread left is read here as before,
    // so that sharing, refusals and their messages are those of a plain reading.
    std::vector<PreparedRecord> prepared(count);
    const unsigned threads = std::min(4u, std::max(1u, std::thread::hardware_concurrency()));
    Value first;
    if (count > 0 && !decodeRecord(indices[0], depth + 1, first))
        return false;
    if (threads > 1 && count >= kParallelRecords) {
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
        if (prepared[i].record && m_slot[indices[i]] == 0) {
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

bool KeyedArchiveReader::decodeReferenceList(const Object& array, int depth,
                                             std::vector<Value>& items)
{
    items.reserve(size_t(array.count));
    for (quint64 i = 0; i < array.count; ++i) {
        quint64 itemIndex;
        Value item;
        if (!referencedIndex(array, i, itemIndex) || !decode(itemIndex, depth + 1, item))
            return false;
        items.push_back(std::move(item));
    }
    return true;
}

bool KeyedArchiveReader::decodeArchived(quint64 index, const Object& dict, quint64 classIndex,
                                        int depth, Value& out)
{
    const auto cls = m_archivedClasses.constFind(classIndex);
    if (cls == m_archivedClasses.cend())
        return fail(QStringLiteral("class reference %1 is out of range").arg(classIndex));
    if (!charge(128 + 64 * qint64(dict.count)))
        return false;
    m_slot[index] = kBusy;
    auto archived = std::make_shared<ArchivedObject>(*cls);
    DictPtr fields = Dict::make(false);
    const auto refuse = [&](const QString& why) {
        return fail(QStringLiteral("archived object %1 of class '%2' %3")
                        .arg(index)
                        .arg(archived->className, why));
    };
    for (quint64 i = 0; i < dict.count; ++i) {
        quint64 keyRef, valueRef;
        Object key, value;
        if (!m_plist.reference(dict, i, keyRef) ||
            !m_plist.reference(dict, dict.count + i, valueRef) || !m_plist.object(keyRef, key) ||
            !m_plist.object(valueRef, value))
            return fail(m_plist.error());
        if (key.kind != Kind::AsciiString && key.kind != Kind::Utf16String)
            return refuse(QStringLiteral("has a field name that is not a text"));
        QString name = m_plist.string(key);
        if (name == QLatin1String("$class"))
            continue;
        Value v;
        switch (value.kind) {
        case Kind::Uid:
            if (!decode(m_plist.uid(value), depth + 1, v))
                return false;
            break;
        case Kind::Array: {
            std::vector<Value> items;
            if (!decodeReferenceList(value, depth, items))
                return false;
            v = Value::array(Array::make(std::move(items), false));
            archived->referenceListFields.append(name);
            break;
        }
        case Kind::Bool:
            v = Value::boolean(value.boolValue);
            archived->inlineFields.append(name);
            break;
        case Kind::Integer:
            v = integerValue(m_plist.integer(value));
            archived->inlineFields.append(name);
            break;
        case Kind::Real:
            v = Value::real(m_plist.real(value));
            archived->inlineFields.append(name);
            break;
        case Kind::Date:
            v = Value::date({m_plist.real(value)});
            archived->inlineFields.append(name);
            break;
        case Kind::AsciiString:
        case Kind::Utf16String:
            if (!charge(2 * qint64(value.count) + 32))
                return false;
            v = Value::string(m_plist.string(value));
            archived->inlineFields.append(name);
            break;
        case Kind::Data:
            if (!charge(qint64(value.count) + 32))
                return false;
            v = Value::data(m_plist.data(value));
            archived->inlineFields.append(name);
            break;
        default:
            return refuse(QStringLiteral("holds a field that cannot be kept"));
        }
        if (fields->contains(name))
            return refuse(QStringLiteral("names a field twice"));
        fields->entries.emplace_back(std::move(name), std::move(v));
    }
    fields->archived = std::move(archived);
    out = Value::dict(std::move(fields));
    remember(index, out);
    return true;
}

} // namespace quillory
