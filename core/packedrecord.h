#pragma once

#include "core/recordkeys.h"
#include "core/value.h"

#include <QLatin1StringView>
#include <QStringView>

#include <deque>
#include <memory>
#include <vector>

namespace quillory {

class PackedRecord;
// A record is identified by object identity (undo, selection and the tables hold it), so it
// is always held through this shared pointer.
// A record as the document hands it out: read-only, since only the document's operations
// change the records it lists.
using Record = std::shared_ptr<const PackedRecord>;
// A record being made, before any document lists it.
using MutableRecord = std::shared_ptr<PackedRecord>;

// One record: its keys (shared with the records that list the same ones) and its values packed
// in one block in key order. Texts sit in the block, one byte a character when they are
// Latin-1, and numbers and marks in their slot, so a short text costs its characters and nine
// bytes. A text whose storage other values share stays shared (a file may reference one text
// from many records), and values of other kinds are kept aside as they are.
// Inner keys: "1" the counter (signed 64-bit integer), "2" the checked mark (boolean), one
// text per user field; records read from a file may hold any other entry, kept as read.
class PackedRecord
{
    struct BuilderTag
    {
    };

public:
    PackedRecord();
    ~PackedRecord();
    // For the builder only (the tag is private): keys without values yet.
    PackedRecord(const BuilderTag&, RecordKeysPtr keys) : m_keys(std::move(keys)) {}
    PackedRecord(const PackedRecord& other);
    PackedRecord& operator=(const PackedRecord&) = delete;

    static MutableRecord make() { return std::make_shared<PackedRecord>(); }
    // A record holding values in the order of keys (values.size() == keys->size()).
    static MutableRecord make(RecordKeysPtr keys, const std::vector<Value>& values);
    // A new record holding the same entries, its own from now on.
    MutableRecord copy() const { return std::make_shared<PackedRecord>(*this); }

    qsizetype size() const { return m_keys->size(); }
    const RecordKeysPtr& keys() const { return m_keys; }
    const QString& keyAt(qsizetype i) const { return m_keys->at(i); }
    qsizetype indexOf(QStringView key) const { return m_keys->indexOf(key); }
    bool contains(QStringView key) const { return indexOf(key) >= 0; }

    Value valueAt(qsizetype i) const;
    // The value under key, or none when it is missing.
    Value value(QStringView key) const;
    Value::Type typeAt(qsizetype i) const;
    // What Value::toText gives for the value, without building the value.
    QString textAt(qsizetype i) const;
    QString text(QStringView key) const;
    void appendTextAt(qsizetype i, QString& out) const;
    // Whether the value is a text holding needle (numbers as their text).
    bool textContains(qsizetype i, QStringView needle, Qt::CaseSensitivity cs) const;

    // A text value in place, valid until the record changes: one of the two views is set.
    struct TextView
    {
        QLatin1StringView latin1;
        QStringView utf16;
        bool isMutable = false;
        bool isWide = false;
        qsizetype size() const { return isWide ? utf16.size() : latin1.size(); }
    };
    // The text at i when it is packed here (not a shared or other value).
    bool packedTextAt(qsizetype i, TextView& out) const;
    // The value kept aside at i (shared texts and other kinds), or null.
    const Value* asideAt(qsizetype i) const;

    // Where the values lie, for a reader of many records to fetch ahead.
    const void* storage() const { return m_block; }

    // Replaces the value under key, or appends the entry when the key is new.
    void set(const QString& key, const Value& v);
    void setAt(qsizetype i, const Value& v);
    bool remove(QStringView key);

    // Packs the long texts kept aside that no other value shares any more.
    void packLoneTexts();

    // Compares as dictionaries: the same keys, in any order, with equal values.
    bool operator==(const PackedRecord& other) const;

    // Builds records slot by slot: a reader or an import fills one, takes the record, and
    // fills the next with the same builder.
    class Builder
    {
    public:
        explicit Builder(RecordKeysPtr keys = RecordKeys::none());
        void reset(RecordKeysPtr keys);
        const RecordKeysPtr& keys() const { return m_keys; }
        void setInteger(qsizetype i, qint64 n);
        void setBool(qsizetype i, bool b);
        // The text must stay valid until the record is taken.
        void setText(qsizetype i, QStringView text, bool isMutable = false);
        void setLatin1(qsizetype i, QLatin1StringView text, bool isMutable = false);
        // Any value; a text is kept by the builder until the record is taken.
        void setValue(qsizetype i, const Value& v);
        // The record of what was set (slots never set are none); the builder starts over
        // with the same keys.
        MutableRecord take();
        // The same, into an existing record (which keeps its identity).
        void takeInto(PackedRecord& record);

    private:
        friend class PackedRecord;
        struct Text
        {
            qsizetype slot;
            const void* data;
            qsizetype size;
            bool sourceWide; // data is UTF-16 (else Latin-1 bytes)
            bool packWide;   // stored as UTF-16
        };
        void clear();
        void setTag(qsizetype i, quint8 tag, quint64 bits);

        RecordKeysPtr m_keys;
        std::vector<quint8> m_tags;
        std::vector<quint64> m_slots;
        std::vector<Text> m_texts;
        std::vector<Value> m_aside;
        // Texts of values given to setValue, kept alive until the record is taken (a deque
        // never moves them).
        std::deque<QString> m_held;
        size_t m_wideUnits = 0;
        size_t m_narrowBytes = 0;
    };

private:
    friend class Builder;
    // What each slot holds. Texts keep their byte offset in the character area in the low half
    // of the slot and their length in the high half; aside values their place in m_aside.
    enum Tag : quint8 {
        kNone,
        kFalse,
        kTrue,
        kInteger,
        kReal,
        kNarrow,
        kWide,
        kMutableNarrow,
        kMutableWide,
        kAside
    };
    static bool isText(quint8 tag) { return tag >= kNarrow && tag <= kMutableWide; }
    static bool isWide(quint8 tag) { return tag == kWide || tag == kMutableWide; }
    static bool isMutableText(quint8 tag) { return tag == kMutableNarrow || tag == kMutableWide; }
    // The block: a tag a value (rounded up to 8 bytes), a slot a value, then the characters.
    static size_t tagBytes(qsizetype n) { return (size_t(n) + 7) & ~size_t(7); }
    const quint8* tags() const { return reinterpret_cast<const quint8*>(m_block); }
    const quint64* slotWords() const
    {
        return reinterpret_cast<const quint64*>(m_block + tagBytes(size()));
    }
    const char* chars() const { return m_block + tagBytes(size()) + 8 * size_t(size()); }
    size_t charBytes() const;
    void adopt(RecordKeysPtr keys, char* block, std::unique_ptr<std::vector<Value>> aside);
    // Rebuilds the block with keys and the value at i replaced (or appended when i == size()),
    // or dropped when drop is set.
    void rebuild(RecordKeysPtr keys, qsizetype i, const Value* v, qsizetype drop);

    RecordKeysPtr m_keys;
    char* m_block = nullptr;
    std::unique_ptr<std::vector<Value>> m_aside;
};

inline bool PackedRecord::packedTextAt(qsizetype i, TextView& out) const
{
    const quint8 tag = tags()[i];
    if (!isText(tag))
        return false;
    const quint64 bits = slotWords()[i];
    const char* p = chars() + quint32(bits);
    const qsizetype units = qsizetype(bits >> 32);
    out.isWide = isWide(tag);
    out.isMutable = isMutableText(tag);
    if (out.isWide)
        out.utf16 = QStringView(reinterpret_cast<const char16_t*>(p), units);
    else
        out.latin1 = QLatin1StringView(p, units);
    return true;
}

inline const Value* PackedRecord::asideAt(qsizetype i) const
{
    return tags()[i] == kAside ? &(*m_aside)[size_t(slotWords()[i])] : nullptr;
}

} // namespace quillory
