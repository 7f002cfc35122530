#pragma once

#include "archive/binaryplistreader.h"
#include "core/dict.h"
#include "core/packedrecord.h"
#include "core/result.h"
#include "core/value.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace quillory {

// Rebuilds Values from an NSKeyedArchiver archive in binary form, for the Foundation classes a
// document holds (dictionaries, arrays, strings, numbers, data, UUIDs, dates); an object of any
// other class comes back as a Dict of its fields marked with its class (ArchivedObject), so
// that a save writes it back. Each archived object is decoded once, so an object referenced
// twice comes back as one shared container; reference cycles and malformed archives are
// refused with a message.
class KeyedArchiveReader
{
public:
    KeyedArchiveReader();

    // Deepest nesting accepted (and written by KeyedArchiveWriter): the root is at depth 0.
    static constexpr int kMaxDepth = 512;
    // What decoding may take in memory: this much, plus kDecodedPerFileByte for each byte of
    // the archive. Shared objects are decoded once, so only a hostile file comes near it.
    static constexpr qint64 kDecodedFloor = qint64(64) << 20;
    static constexpr qint64 kDecodedPerFileByte = 64;
    // Strings and data at least this long are decoded once and shared by every reference.
    static constexpr qsizetype kSharedPayload = 16;

    // The object under $top "root" (a none value for a nil root), or why the data was refused;
    // with recordListKey, as setRecordListKey says.
    static Result<Value> rootObject(const QByteArray& data, const QString& recordListKey = {});

    // Checks the container and the envelope ($archiver, $version, $top, $objects).
    bool open(const QByteArray& data);
    const QString& error() const { return m_error; }
    // Replaces the decoding budget that open() derived from the file size (tests use a small
    // one to see the refusal).
    void setDecodedLimit(qint64 bytes) { m_budget = m_limit = bytes; }

    // Dictionaries listed under this key of the root dictionary are read as records
    // (Value::Type::Record), straight into their packed form.
    void setRecordListKey(const QString& key) { m_recordListKey = key; }

    // Entries of $objects.
    quint64 objectCount() const { return m_objects.count; }
    // Index in $objects of the object stored under key in $top.
    std::optional<quint64> topObjectIndex(const QString& key);
    std::optional<Value> decodeTop(const QString& key = QStringLiteral("root"));
    // The object at index in $objects; index 0 is nil.
    std::optional<Value> decodeObject(quint64 index);

private:
    enum class ClassKind : quint8 {
        Unknown,
        Dictionary,
        MutableDictionary,
        Array,
        MutableArray,
        String,
        MutableString,
        Data,
        MutableData,
        Uuid,
        Date
    };
    enum class Field : quint8 { Other, Class, Keys, Objects, String, Data, UuidBytes, Time };
    // The value references of the fields an object dictionary names.
    struct Fields
    {
        static constexpr quint64 kNone = std::numeric_limits<quint64>::max();
        quint64 ref[8] = {kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
        bool has(Field f) const { return ref[int(f)] != kNone; }
        quint64 operator[](Field f) const { return ref[int(f)]; }
    };

    bool fail(const QString& message);
    bool decode(quint64 index, int depth, Value& out);
    bool decodeInstance(quint64 index, const BinaryPlistReader::Object& dict, int depth,
                        Value& out);
    bool decodeKey(quint64 index, int depth, const QString*& out);
    bool decodeDictionary(quint64 index, const Fields& fields, bool isMutable, int depth,
                          Value& out);
    bool decodeArray(quint64 index, const Fields& fields, bool isMutable, int depth, Value& out);
    bool decodeRecord(quint64 index, int depth, Value& out);
    bool decodeRecordList(const BinaryPlistReader::Object& objects, int depth,
                          std::vector<Value>& items);
    // A record read without touching the reader, so that threads can read records side by
    // side: plain texts, numbers and marks under keys already read. Null (to be read in
    // turn, as any object) for anything else.
    struct PreparedRecord
    {
        // A long text packed in it: its slot and the text's object (below kClaimed).
        struct LongText
        {
            quint32 slot;
            quint32 object;
        };
        // A record with more is read in turn. Kept small: there is one of these a record.
        static constexpr int kMaxLongTexts = 3;

        MutableRecord record;
        quint32 bytes = 0;
        quint8 longTextCount = 0;
        LongText longTexts[kMaxLongTexts];
        std::span<const LongText> longTextList() const { return {longTexts, longTextCount}; }
    };
    // A long text packed into the one record that lists it so far.
    // Or a record of the list, held by the list's value at holder (slot unused): a record is
    // rarely met twice, so it is found there rather than kept in the memo.
    struct Claim
    {
        PackedRecord* record;
        qsizetype slot;
        const Value* holder = nullptr;
    };
    void claim(quint64 index, PackedRecord* record, qsizetype slot);
    bool shareClaimed(quint64 index, Value& out);
    class RecordPreparer;
    bool recordKeys(const BinaryPlistReader::Object& keys, int depth, RecordKeysPtr& out);
    bool recordValue(quint64 valueIndex, qsizetype slot, int depth);
    bool decodeArchived(quint64 index, const BinaryPlistReader::Object& dict, quint64 classIndex,
                        int depth, Value& out);
    bool decodeReferenceList(const BinaryPlistReader::Object& array, int depth,
                             std::vector<Value>& items);
    bool readClassChain(quint64 classIndex, const BinaryPlistReader::Object& cls,
                        const QString& name);
    bool referencedIndex(const BinaryPlistReader::Object& array, quint64 position, quint64& index);
    bool inlineObject(quint64 ref, BinaryPlistReader::Kind k1, BinaryPlistReader::Kind k2,
                      const char* what, BinaryPlistReader::Object& out);
    bool classOf(quint64 classIndex, ClassKind& kind);
    Field fieldOf(quint64 keyRef);
    void remember(quint64 index, const Value& v);
    // Counts bytes of decoded values against the budget; false (with the error) past it.
    bool charge(qint64 bytes);

    BinaryPlistReader m_plist;
    QString m_error;
    BinaryPlistReader::Object m_objects;
    BinaryPlistReader::Object m_top;
    // Per $objects entry: 0 not decoded yet, kBusy while its children are decoded, otherwise
    // 1 + its position in m_memo.
    std::vector<quint32> m_slot;
    std::vector<Value> m_memo;
    qint64 m_budget = 0;
    qint64 m_limit = 0;
    qint64 m_fileSize = 0;
    QHash<quint64, ClassKind> m_classes;
    // Classes we do not model, by class entry: what their instances are carried as.
    QHash<quint64, ArchivedObject> m_archivedClasses;
    std::pair<quint64, ClassKind> m_lastClass{0, ClassKind::Unknown};
    // Object dictionaries name their fields with a handful of shared key strings.
    std::pair<quint64, Field> m_fieldCache[16];
    unsigned m_fieldCacheNext = 0;
    // Records: the list they are in, the keys of the last one (by key object) and its builder.
    QString m_recordListKey;
    quint64 m_recordListIndex = 0;
    std::vector<quint64> m_lastKeyObjects;
    std::vector<quint64> m_keyObjects; // the record being read
    RecordKeysPtr m_lastKeys;
    PackedRecord::Builder m_recordBuilder;
    std::vector<std::pair<qsizetype, quint64>> m_pendingLong; // of the record being read
    std::vector<Claim> m_claims;
};

} // namespace quillory
