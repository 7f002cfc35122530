#include "archive/documentcodec.h"

#include "archive/keyedarchivereader.h"
#include "archive/keyedarchivewriter.h"
#include "archive/wholefilereader.h"
#include "core/array.h"
#include "core/dict.h"
#include "core/document.h"
#include "core/record.h"
#include "core/tabids.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

namespace quillory {

namespace {

const QString kAppVersionKey = QStringLiteral("appversion");
const QString kKeyArrayKey = QStringLiteral("keyArray");
const QString kDataArrayKey = QStringLiteral("dataArray");
const QString kDestinationDefinedKey = QStringLiteral("selectedDestinationDefined");
const QString kBookmarkKey = QStringLiteral("selectedDestinationBookmark");
const QString kPrototypesKey = QStringLiteral("universalFilePrototypeArray");
const QString kMainTabKey = QStringLiteral("mainTabId");
const QString kSecTabKey = QStringLiteral("secTabId");

const QString kInnerKey = QStringLiteral("innerKey");
const QString kPublicKey = QStringLiteral("publicKey");

const QString kUuidKey = QStringLiteral("uuid");
const QString kPathKey = QStringLiteral("path");
const QString kIsFolderKey = QStringLiteral("isFolder");
const QString kIsMultiKey = QStringLiteral("isMulti");
const QString kHeadKey = QStringLiteral("head");
const QString kTextKey = QStringLiteral("text");
const QString kSeparatorKey = QStringLiteral("separator");
const QString kFootKey = QStringLiteral("foot");

bool isRootKey(QStringView key)
{
    for (const QString* k :
         {&kAppVersionKey, &kKeyArrayKey, &kDataArrayKey, &kDestinationDefinedKey, &kBookmarkKey,
          &kPrototypesKey, &kMainTabKey, &kSecTabKey})
        if (*k == key)
            return true;
    return false;
}

bool isPrototypeKey(QStringView key)
{
    for (const QString* k : {&kUuidKey, &kPathKey, &kIsFolderKey, &kIsMultiKey, &kHeadKey,
                             &kTextKey, &kSeparatorKey, &kFootKey})
        if (*k == key)
            return true;
    return false;
}

bool isMainTab(const QString& id)
{
    return std::find(TabIds::kMainTabs.begin(), TabIds::kMainTabs.end(), id) !=
           TabIds::kMainTabs.end();
}

// The dictionary a field key is saved as: the one it was read from where there is one.
Value fieldKeyValue(const FieldKey& k)
{
    if (!k.stored) {
        auto d = Dict::make(true);
        d->entries.emplace_back(kInnerKey, Value::string(k.innerKey));
        d->entries.emplace_back(kPublicKey, Value::string(k.publicKey));
        return Value::dict(std::move(d));
    }
    auto d = k.stored->shallowCopy();
    d->isMutable = true; // as keys made here are, whatever class the file gave it
    for (const auto& [key, text] :
         {std::pair{&kInnerKey, &k.innerKey}, {&kPublicKey, &k.publicKey}}) {
        const Value* v = d->find(*key);
        if (!v || v->toText() != *text || !(v->isString() || v->isNumber()))
            d->set(*key, Value::string(*text));
    }
    return Value::dict(std::move(d));
}

// Records read as dictionaries, packed: records listing the same keys share them, and a
// dictionary listed twice stays one record.
class RecordPacker
{
public:
    Record pack(const DictPtr& d)
    {
        // Besides the list's own reference and ours, another means the list holds it twice.
        const bool shared = d.use_count() > 2;
        if (shared)
            if (const MutableRecord known = m_seen.value(d.get()))
                return known;
        if (!sameKeys(*d)) {
            std::vector<QString> keys;
            keys.reserve(d->entries.size());
            for (const auto& entry : d->entries)
                keys.push_back(entry.first);
            m_keys = RecordKeys::make(std::move(keys));
        }
        PackedRecord::Builder b(m_keys);
        for (size_t i = 0; i < d->entries.size(); ++i)
            b.setValue(qsizetype(i), d->entries[i].second);
        MutableRecord r = b.take();
        if (shared)
            m_seen.insert(d.get(), r);
        return r;
    }

    // The dictionaries packed that something else in the file holds too.
    const QHash<const Dict*, MutableRecord>& shared() const { return m_seen; }

private:
    bool sameKeys(const Dict& d) const
    {
        if (!m_keys || m_keys->size() != qsizetype(d.entries.size()))
            return false;
        for (size_t i = 0; i < d.entries.size(); ++i)
            if (m_keys->at(qsizetype(i)) != d.entries[i].first)
                return false;
        return true;
    }

    RecordKeysPtr m_keys;
    QHash<const Dict*, MutableRecord> m_seen;
};

// A damaged or hand-made file may hold a record elsewhere too (inside another record, a field
// key, an unknown entry). There it is replaced by the record made of it, so that it stays one
// object, as in the file, and saves as it was read.
void replacePacked(Value& v, const QHash<const Dict*, MutableRecord>& packed,
                   QSet<const void*>& seen)
{
    if (const DictPtr d = v.toDict()) {
        if (const MutableRecord r = packed.value(d.get())) {
            v = Value::record(r);
            return;
        }
        if (seen.contains(d.get()))
            return;
        seen.insert(d.get());
        for (auto& entry : d->entries)
            replacePacked(entry.second, packed, seen);
    } else if (const ArrayPtr a = v.toArray()) {
        if (seen.contains(a.get()))
            return;
        seen.insert(a.get());
        for (Value& item : a->items)
            replacePacked(item, packed, seen);
    } else if (const MutableRecord r = v.toRecord()) {
        if (seen.contains(r.get()))
            return;
        seen.insert(r.get());
        for (qsizetype i = 0; i < r->size(); ++i) {
            const Value* aside = r->asideAt(i);
            if (!aside)
                continue;
            Value copy = *aside; // shares its containers: changes below reach the record
            const DictPtr d = copy.toDict();
            replacePacked(copy, packed, seen);
            if (d && packed.contains(d.get()))
                r->setAt(i, copy);
        }
    }
}

// Everything the file holds, decoded before any of it reaches the document.

// The list under key: none when missing, nothing (an error) when it is not a list.
std::optional<ArrayPtr> listUnder(const Dict& root, const QString& key, QString* error)
{
    const Value* v = root.find(key);
    if (!v || v->isNone())
        return ArrayPtr();
    if (v->type() != Value::Type::Array) {
        *error = QStringLiteral("%1 is not a list").arg(key);
        return std::nullopt;
    }
    return v->toArray();
}

PrototypePtr prototypeFrom(const Dict& d)
{
    auto p = std::make_shared<Prototype>();
    const Value uuid = d.value(kUuidKey);
    p->uuid = uuid.type() == Value::Type::Uuid ? uuid.toUuid() : QUuid::fromString(uuid.toString());
    // Readers treat a missing entry as empty or NO.
    p->path = d.value(kPathKey).toString();
    p->isFolder = d.value(kIsFolderKey).toBool();
    p->isMulti = d.value(kIsMultiKey).toBool();
    p->head = d.value(kHeadKey).toString();
    p->text = d.value(kTextKey).toString();
    p->separator = d.value(kSeparatorKey).toString();
    p->foot = d.value(kFootKey).toString();
    for (const auto& entry : d.entries)
        if (!isPrototypeKey(entry.first))
            p->extras.push_back(entry);
    return p;
}

bool decodeContents(Dict& root, DocumentContents& c, QString* error)
{
    const auto keys = listUnder(root, kKeyArrayKey, error);
    if (!keys)
        return false;
    const auto records = listUnder(root, kDataArrayKey, error);
    if (!records)
        return false;
    const auto prototypes = listUnder(root, kPrototypesKey, error);
    if (!prototypes)
        return false;

    if (*keys) {
        c.keys.reserve((*keys)->items.size());
        for (const Value& v : (*keys)->items) {
            const DictPtr d = v.toDict();
            if (!d || d->archived) {
                *error = QStringLiteral("an entry of keyArray is not a dictionary");
                return false;
            }
            // toText: a number stored as the inner key still names the records' entry.
            c.keys.push_back({d->value(kInnerKey).toText(), d->value(kPublicKey).toText(), d});
        }
    }
    if (*records) {
        c.records.reserve((*records)->items.size());
        RecordPacker packer;
        // A list that nothing else in the file holds gives its records up rather than share
        // them (a million shared counts less to change).
        const bool onlyHere = records->use_count() == 2;
        for (Value& v : (*records)->items) {
            // The application edits records in place, so they are saved as mutable ones
            // whatever class the file gave them.
            if (MutableRecord r = onlyHere ? v.takeRecord() : v.toRecord()) {
                // Long texts were shared while the file was read; those that only this
                // record holds are packed now.
                r->packLoneTexts();
                c.records.push_back(std::move(r));
                continue;
            }
            const DictPtr d = v.toDict();
            if (!d || d->archived) {
                *error = QStringLiteral("a record of dataArray is not a dictionary");
                return false;
            }
            c.records.push_back(packer.pack(d));
        }
        if (!packer.shared().isEmpty()) {
            QSet<const void*> seen;
            for (auto& entry : root.entries)
                replacePacked(entry.second, packer.shared(), seen);
            // The list has given up its records: they are looked at here.
            for (const Record& r : c.records) {
                // Still being decoded: no document holds them yet.
                Value v = Value::record(std::const_pointer_cast<PackedRecord>(r));
                replacePacked(v, packer.shared(), seen);
            }
        }
    }
    if (*prototypes) {
        c.prototypes.reserve((*prototypes)->items.size());
        for (const Value& v : (*prototypes)->items) {
            const DictPtr d = v.toDict();
            if (!d || d->archived) {
                *error = QStringLiteral("a Prototype of universalFilePrototypeArray is not a "
                                        "dictionary");
                return false;
            }
            c.prototypes.push_back(prototypeFrom(*d));
        }
    }

    c.destinationDefined = root.value(kDestinationDefinedKey).toBool();
    const Value bookmark = root.value(kBookmarkKey);
    if (bookmark.type() == Value::Type::Data)
        c.bookmark = bookmark.toData();
    // A missing or unknown tab would show no tab at all, and be saved so.
    c.mainTabId = root.value(kMainTabKey).toString();
    if (!isMainTab(c.mainTabId))
        c.mainTabId = TabIds::kDatabase;
    c.secTabId = root.value(kSecTabKey).toString();
    if (c.secTabId != TabIds::kAllInOne && c.secTabId != TabIds::kOnePerRecord)
        c.secTabId = TabIds::kAllInOne;
    for (const auto& entry : root.entries)
        if (!isRootKey(entry.first))
            c.unknownEntries.push_back(entry);
    return true;
}

Value stringValue(const QString& s, bool isMutable = false)
{
    return Value::string(s, isMutable);
}

Value rootValue(const Document& doc)
{
    auto root = Dict::make(true);
    auto& entries = root->entries;
    entries.reserve(8 + doc.unknownEntries().size());
    entries.emplace_back(kAppVersionKey, Value::integer(qint64(Document::kAppVersion)));

    auto keys = Array::make({}, true);
    keys->items.reserve(doc.keyArray().size());
    for (const FieldKey& k : doc.keyArray())
        keys->items.push_back(fieldKeyValue(k));
    entries.emplace_back(kKeyArrayKey, Value::array(std::move(keys)));

    auto records = Array::make({}, true);
    records->items.reserve(doc.dataArray().size());
    for (const Record& r : doc.dataArray()) {
        if (!r) // an empty slot has nothing to save, and nil cannot stand in a list
            continue;
        // A record that only the list holds cannot be listed twice, so it is lent to the
        // writer without an owner of its own: the writer then needs no identity lookup for it,
        // which is most of its work on a large document. Records also held elsewhere (the
        // undo history, a selection) are passed as they are and checked.
        const bool onlyHere = r.use_count() == 1;
        // The writer only reads the records it is lent.
        const MutableRecord lent = std::const_pointer_cast<PackedRecord>(r);
        records->items.push_back(
            Value::record(onlyHere ? MutableRecord(MutableRecord(), lent.get()) : lent));
    }
    entries.emplace_back(kDataArrayKey, Value::array(std::move(records)));

    entries.emplace_back(kDestinationDefinedKey, Value::boolean(doc.selectedDestinationDefined()));
    if (doc.selectedDestinationBookmark())
        entries.emplace_back(kBookmarkKey, Value::data(*doc.selectedDestinationBookmark()));

    auto prototypes = Array::make({}, true);
    prototypes->items.reserve(doc.universalFilePrototypeArray().size());
    for (const PrototypePtr& p : doc.universalFilePrototypeArray()) {
        if (!p)
            continue;
        auto d = Dict::make(true);
        d->entries.reserve(8 + p->extras.size());
        if (!p->uuid.isNull())
            d->entries.emplace_back(kUuidKey, Value::uuid(p->uuid));
        d->entries.emplace_back(kPathKey, stringValue(p->path));
        d->entries.emplace_back(kIsFolderKey, Value::boolean(p->isFolder));
        d->entries.emplace_back(kIsMultiKey, Value::boolean(p->isMulti));
        d->entries.emplace_back(kHeadKey, stringValue(p->head, true));
        d->entries.emplace_back(kTextKey, stringValue(p->text, true));
        d->entries.emplace_back(kSeparatorKey, stringValue(p->separator, true));
        d->entries.emplace_back(kFootKey, stringValue(p->foot, true));
        for (const auto& extra : p->extras)
            if (!isPrototypeKey(extra.first))
                d->entries.push_back(extra);
        prototypes->items.push_back(Value::dict(std::move(d)));
    }
    entries.emplace_back(kPrototypesKey, Value::array(std::move(prototypes)));

    entries.emplace_back(kMainTabKey, stringValue(doc.mainTabId()));
    entries.emplace_back(kSecTabKey, stringValue(doc.secTabId()));
    for (const auto& entry : doc.unknownEntries())
        if (!isRootKey(entry.first))
            entries.push_back(entry);
    return Value::dict(std::move(root));
}

} // namespace

QByteArray DocumentCodec::dataOfType(const Document& doc)
{
    Result<QByteArray> data = KeyedArchiveWriter::archivedData(rootValue(doc));
    return data ? data.value() : QByteArray();
}

Result<DocumentContents> DocumentCodec::contentsOfData(const QByteArray& data)
{
    const Result<Value> root = KeyedArchiveReader::rootObject(data, kDataArrayKey);
    if (!root)
        return fail(QStringLiteral("not a valid document: %1").arg(root.message()));
    const DictPtr dict = root->toDict();
    if (!dict || dict->archived)
        return fail(QStringLiteral("not a valid document: its root object is not a dictionary"));

    const Value version = dict->value(kAppVersionKey);
    if (!version.isNone() && !version.isNumber())
        return fail(QStringLiteral("not a valid document: appversion is not a number"));
    if (version.toUnsigned() > Document::kAppVersion) {
        const Alert alert = Alert::newerDocument();
        return Failure{alert.messageText, alert};
    }

    DocumentContents contents;
    QString error;
    if (!decodeContents(*dict, contents, &error))
        return fail(QStringLiteral("not a valid document: %1").arg(error));
    return contents;
}

Result<DocumentContents> DocumentCodec::contentsOfFile(const QString& path)
{
    const Result<QByteArray> data = WholeFileReader::read(path);
    if (!data)
        return data.failure();
    return contentsOfData(*data);
}

Result<> DocumentCodec::readFromData(Document& doc, const QByteArray& data)
{
    Result<DocumentContents> contents = contentsOfData(data);
    if (!contents)
        return contents.failure();
    doc.setContents(std::move(contents.value()));
    return {};
}

Result<> DocumentCodec::readFromFile(Document& doc, const QString& path)
{
    Result<DocumentContents> contents = contentsOfFile(path);
    if (!contents)
        return contents.failure();
    doc.setContents(std::move(contents.value()));
    return {};
}

Result<> DocumentCodec::writeToFile(const Document& doc, const QString& path)
{
    QSaveFile file(path);
    // Unbuffered, so that every write reports how much reached the file: a buffered write that
    // falls short at commit() time would let a truncated file replace the good one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    // Streamed into the temporary file that commit() renames over path.
    if (Result<> written = KeyedArchiveWriter::writeArchive(rootValue(doc), &file); !written) {
        file.cancelWriting();
        return written;
    }
    if (!file.commit())
        return fail(file.errorString());
    return {};
}

} // namespace quillory
