#include "archive/keyedarchivereader.h"

#include "archive/readerslots.h"

#include "core/array.h"
#include "core/dict.h"

#include <QSet>

#include <algorithm>

#include <limits>

namespace quillory {

using namespace ReaderSlots;
using Kind = BinaryPlistReader::Kind;
using Object = BinaryPlistReader::Object;

namespace {

// Above this many entries a dictionary checks its keys for duplicates through a hash.
constexpr size_t kLinearKeyCheck = 32;

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
    // Each entry is a Value however small its reference in the file.
    if (!charge(64 + qint64(sizeof(Value)) * qint64(objects.count)))
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
