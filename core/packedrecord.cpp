#include "core/packedrecord.h"

#include <QLocale>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace quillory {

namespace {

// Texts at least this long that other values share stay shared, as the archive reader and
// writer share them (a file may reference one long text from every record).
constexpr qsizetype kSharedText = 16;
// Offsets and lengths in a slot are 32-bit; a block never grows past this.
constexpr size_t kMaxCharBytes = std::numeric_limits<quint32>::max();

// A text kept aside that nothing else holds any more.
bool isLoneText(const Value& v)
{
    const QString* s = v.stringPtr();
    return s && s->isDetached();
}

bool fitsLatin1(QStringView s)
{
    const char16_t* p = s.utf16();
    char16_t high = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        high |= p[i];
    return high < 0x100;
}

} // namespace

PackedRecord::PackedRecord() : m_keys(RecordKeys::none()) {}

PackedRecord::~PackedRecord()
{
    std::free(m_block);
}

PackedRecord::PackedRecord(const PackedRecord& other) : m_keys(other.m_keys)
{
    if (other.m_block) {
        const size_t bytes = tagBytes(size()) + 8 * size_t(size()) + other.charBytes();
        m_block = static_cast<char*>(std::malloc(bytes));
        if (!m_block)
            throw std::bad_alloc();
        std::memcpy(m_block, other.m_block, bytes);
    }
    if (other.m_aside)
        m_aside = std::make_unique<std::vector<Value>>(*other.m_aside);
}

MutableRecord PackedRecord::make(RecordKeysPtr keys, const std::vector<Value>& values)
{
    Builder b(std::move(keys));
    for (size_t i = 0; i < values.size() && qsizetype(i) < b.keys()->size(); ++i)
        b.setValue(qsizetype(i), values[i]);
    return b.take();
}

size_t PackedRecord::charBytes() const
{
    size_t end = 0;
    for (qsizetype i = 0; i < size(); ++i) {
        const quint8 tag = tags()[i];
        if (!isText(tag))
            continue;
        const quint64 bits = slotWords()[i];
        const size_t units = size_t(bits >> 32);
        end = std::max(end, size_t(quint32(bits)) + (isWide(tag) ? 2 * units : units));
    }
    return end;
}

void PackedRecord::adopt(RecordKeysPtr keys, char* block, std::unique_ptr<std::vector<Value>> aside)
{
    std::free(m_block);
    m_keys = std::move(keys);
    m_block = block;
    m_aside = std::move(aside);
}

Value::Type PackedRecord::typeAt(qsizetype i) const
{
    switch (tags()[i]) {
    case kNone:
        return Value::Type::None;
    case kFalse:
    case kTrue:
        return Value::Type::Bool;
    case kInteger:
        return Value::Type::Integer;
    case kReal:
        return Value::Type::Real;
    case kAside:
        return (*m_aside)[size_t(slotWords()[i])].type();
    default:
        return Value::Type::String;
    }
}

Value PackedRecord::valueAt(qsizetype i) const
{
    const quint64 bits = slotWords()[i];
    switch (tags()[i]) {
    case kFalse:
        return Value::boolean(false);
    case kTrue:
        return Value::boolean(true);
    case kInteger:
        return Value::integer(qint64(bits));
    case kReal: {
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return Value::real(d);
    }
    case kAside:
        return (*m_aside)[size_t(bits)];
    case kNone:
        return {};
    default: {
        TextView t;
        packedTextAt(i, t);
        return Value::string(t.isWide ? t.utf16.toString() : QString(t.latin1), t.isMutable);
    }
    }
}

Value PackedRecord::value(QStringView key) const
{
    const qsizetype i = indexOf(key);
    return i < 0 ? Value() : valueAt(i);
}

QString PackedRecord::textAt(qsizetype i) const
{
    TextView t;
    if (packedTextAt(i, t))
        return t.isWide ? t.utf16.toString() : QString(t.latin1);
    return valueAt(i).toText();
}

QString PackedRecord::text(QStringView key) const
{
    const qsizetype i = indexOf(key);
    return i < 0 ? QString() : textAt(i);
}

void PackedRecord::appendTextAt(qsizetype i, QString& out) const
{
    TextView t;
    if (!packedTextAt(i, t)) {
        out += valueAt(i).toText();
    } else if (t.isWide) {
        out += t.utf16;
    } else {
        out += t.latin1;
    }
}

bool PackedRecord::textContains(qsizetype i, QStringView needle, Qt::CaseSensitivity cs) const
{
    TextView t;
    if (!packedTextAt(i, t)) {
        if (const Value* v = asideAt(i); v && v->stringPtr())
            return v->stringPtr()->contains(needle, cs);
        return valueAt(i).toText().contains(needle, cs);
    }
    return t.isWide ? t.utf16.contains(needle, cs) : t.latin1.contains(needle, cs);
}

void PackedRecord::setAt(qsizetype i, const Value& v)
{
    // Numbers and marks overwrite their slot; everything else rebuilds the block.
    quint8* tag = reinterpret_cast<quint8*>(m_block) + i;
    quint64* slot = reinterpret_cast<quint64*>(m_block + tagBytes(size())) + i;
    const bool scalarNow = *tag <= kReal;
    if (scalarNow && v.type() == Value::Type::Bool) {
        *tag = v.toBool() ? kTrue : kFalse;
        *slot = 0;
    } else if (scalarNow && v.type() == Value::Type::Integer) {
        *tag = kInteger;
        *slot = quint64(v.toInteger());
    } else if (scalarNow && v.type() == Value::Type::Real) {
        const double d = v.toReal();
        *tag = kReal;
        std::memcpy(slot, &d, sizeof d);
    } else {
        rebuild(m_keys, i, &v, -1);
    }
}

void PackedRecord::set(const QString& key, const Value& v)
{
    const qsizetype i = indexOf(key);
    if (i >= 0)
        setAt(i, v);
    else
        rebuild(m_keys->withKey(key), size(), &v, -1);
}

bool PackedRecord::remove(QStringView key)
{
    const qsizetype i = indexOf(key);
    if (i < 0)
        return false;
    rebuild(m_keys->withoutKey(i), -1, nullptr, i);
    return true;
}

void PackedRecord::rebuild(RecordKeysPtr keys, qsizetype i, const Value* v, qsizetype drop)
{
    Builder b(std::move(keys));
    qsizetype to = 0;
    for (qsizetype from = 0; from < size(); ++from) {
        if (from == drop)
            continue;
        if (from == i) {
            b.setValue(to++, *v);
            continue;
        }
        const quint8 tag = tags()[from];
        TextView t;
        if (packedTextAt(from, t)) {
            if (t.isWide)
                b.setText(to, t.utf16, t.isMutable);
            else
                b.setLatin1(to, t.latin1, t.isMutable);
        } else if (tag == kAside) {
            const Value& aside = (*m_aside)[size_t(slotWords()[from])];
            if (isLoneText(aside)) {
                b.setValue(to, aside);
            } else {
                // Kept aside as it was, sharing and all.
                b.m_aside.push_back(aside);
                b.setTag(to, kAside, b.m_aside.size() - 1);
            }
        } else {
            b.setTag(to, tag, slotWords()[from]);
        }
        ++to;
    }
    if (i == size())
        b.setValue(to, *v);
    b.takeInto(*this);
}

void PackedRecord::packLoneTexts()
{
    if (m_aside && std::any_of(m_aside->begin(), m_aside->end(), isLoneText))
        rebuild(m_keys, -1, nullptr, -1);
}

bool PackedRecord::operator==(const PackedRecord& other) const
{
    if (size() != other.size())
        return false;
    for (qsizetype i = 0; i < size(); ++i) {
        const qsizetype j = other.indexOf(keyAt(i));
        if (j < 0 || !(valueAt(i) == other.valueAt(j)))
            return false;
    }
    return true;
}

// ---- Builder ----------------------------------------------------------------------------

PackedRecord::Builder::Builder(RecordKeysPtr keys)
{
    reset(std::move(keys));
}

void PackedRecord::Builder::reset(RecordKeysPtr keys)
{
    m_keys = std::move(keys);
    clear();
}

void PackedRecord::Builder::clear()
{
    const size_t n = size_t(m_keys->size());
    m_tags.assign(n, kNone);
    m_slots.assign(n, 0);
    m_texts.clear();
    m_aside.clear();
    m_held.clear();
    m_wideUnits = 0;
    m_narrowBytes = 0;
}

void PackedRecord::Builder::setTag(qsizetype i, quint8 tag, quint64 bits)
{
    m_tags[size_t(i)] = tag;
    m_slots[size_t(i)] = bits;
}

void PackedRecord::Builder::setInteger(qsizetype i, qint64 n)
{
    setTag(i, kInteger, quint64(n));
}

void PackedRecord::Builder::setBool(qsizetype i, bool b)
{
    setTag(i, b ? kTrue : kFalse, 0);
}

void PackedRecord::Builder::setText(qsizetype i, QStringView text, bool isMutable)
{
    if (text.isEmpty()) {
        setTag(i, isMutable ? kMutableNarrow : kNarrow, 0);
        return;
    }
    const bool wide = !fitsLatin1(text);
    const size_t bytes = size_t(text.size()) * (wide ? 2 : 1);
    if (2 * m_wideUnits + m_narrowBytes + bytes > kMaxCharBytes) {
        m_aside.push_back(Value::string(text.toString(), isMutable));
        setTag(i, kAside, m_aside.size() - 1);
        return;
    }
    (wide ? m_wideUnits : m_narrowBytes) += size_t(text.size());
    m_texts.push_back({i, text.utf16(), text.size(), true, wide});
    setTag(i, wide ? (isMutable ? kMutableWide : kWide) : (isMutable ? kMutableNarrow : kNarrow),
           0);
}

void PackedRecord::Builder::setLatin1(qsizetype i, QLatin1StringView text, bool isMutable)
{
    if (text.isEmpty()) {
        setTag(i, isMutable ? kMutableNarrow : kNarrow, 0);
        return;
    }
    if (2 * m_wideUnits + m_narrowBytes + size_t(text.size()) > kMaxCharBytes) {
        m_aside.push_back(Value::string(QString(text), isMutable));
        setTag(i, kAside, m_aside.size() - 1);
        return;
    }
    m_narrowBytes += size_t(text.size());
    m_texts.push_back({i, text.data(), text.size(), false, false});
    setTag(i, isMutable ? kMutableNarrow : kNarrow, 0);
}

void PackedRecord::Builder::setValue(qsizetype i, const Value& v)
{
    switch (v.type()) {
    case Value::Type::None:
        setTag(i, kNone, 0);
        return;
    case Value::Type::Bool:
        setBool(i, v.toBool());
        return;
    case Value::Type::Integer:
        setInteger(i, v.toInteger());
        return;
    case Value::Type::Real: {
        const double d = v.toReal();
        quint64 bits;
        std::memcpy(&bits, &d, sizeof d);
        setTag(i, kReal, bits);
        return;
    }
    case Value::Type::String: {
        const QString* s = v.stringPtr();
        // Packed unless other values share a long text: those stay one shared text.
        if (s->size() < kSharedText || s->isDetached()) {
            // Held until the record is taken: v may be a temporary.
            m_held.push_back(*s);
            setText(i, m_held.back(), v.isMutable());
            return;
        }
        break;
    }
    default:
        break;
    }
    m_aside.push_back(v);
    setTag(i, kAside, m_aside.size() - 1);
}

MutableRecord PackedRecord::Builder::take()
{
    // Made with its keys, so that records made on several threads at once touch no shared
    // count (the empty keys' one).
    MutableRecord r = std::make_shared<PackedRecord>(BuilderTag(), m_keys);
    takeInto(*r);
    return r;
}

void PackedRecord::Builder::takeInto(PackedRecord& record)
{
    const size_t n = m_tags.size();
    const size_t head = tagBytes(qsizetype(n)) + 8 * n;
    const size_t bytes = head + 2 * m_wideUnits + m_narrowBytes;
    char* block = nullptr;
    if (bytes > 0) {
        block = static_cast<char*>(std::malloc(bytes));
        if (!block)
            throw std::bad_alloc();
        std::memcpy(block, m_tags.data(), n);
        std::memset(block + n, 0, tagBytes(qsizetype(n)) - n);
        // Wide texts first, so that they stay 2-byte aligned.
        size_t wide = 0, narrow = 2 * m_wideUnits;
        char* area = block + head;
        for (const Text& t : m_texts) {
            // A slot set again since (to a number, say) no longer shows this text.
            if (!isText(m_tags[size_t(t.slot)]))
                continue;
            size_t& at = t.packWide ? wide : narrow;
            m_slots[size_t(t.slot)] = quint64(at) | (quint64(t.size) << 32);
            if (t.packWide) {
                std::memcpy(area + at, t.data, size_t(t.size) * 2);
                at += size_t(t.size) * 2;
            } else if (t.sourceWide) {
                const char16_t* from = static_cast<const char16_t*>(t.data);
                char* to = area + at;
                for (qsizetype k = 0; k < t.size; ++k)
                    to[k] = char(from[k]);
                at += size_t(t.size);
            } else {
                std::memcpy(area + at, t.data, size_t(t.size));
                at += size_t(t.size);
            }
        }
        std::memcpy(block + tagBytes(qsizetype(n)), m_slots.data(), 8 * n);
    }
    std::unique_ptr<std::vector<Value>> aside;
    if (!m_aside.empty())
        aside = std::make_unique<std::vector<Value>>(std::move(m_aside));
    record.adopt(m_keys, block, std::move(aside));
    clear();
}

} // namespace quillory
