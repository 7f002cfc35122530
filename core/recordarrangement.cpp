#include "core/recordarrangement.h"

#include "core/document.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <type_traits>

namespace quillory {

namespace {

// What each UTF-16 unit of the Basic Multilingual Plane reads as when case and accents are set
// aside: a letter with accents as its base letter, case-folded; a combining accent as 0
// (dropped). One unit for one unit, so a text folds in a single pass without allocating.
const std::array<char16_t, 0x10000>& foldTable()
{
    static const std::unique_ptr<std::array<char16_t, 0x10000>> table = [] {
        auto t = std::make_unique<std::array<char16_t, 0x10000>>();
        for (char32_t u = 0; u < 0x10000; ++u) {
            char16_t& out = (*t)[u];
            out = char16_t(u);
            if (QChar::isSurrogate(u))
                continue;
            if (QChar::category(u) == QChar::Mark_NonSpacing) {
                out = 0;
                continue;
            }
            char32_t base = u;
            while (QChar::decompositionTag(base) == QChar::Canonical) {
                const QList<uint> parts = QChar::decomposition(base).toUcs4();
                // Only a letter followed by accents gives its letter: other decompositions
                // (Hangul syllables, for one) stay whole.
                const bool accented =
                    parts.size() > 1 && std::all_of(parts.begin() + 1, parts.end(), [](uint p) {
                        return QChar::category(char32_t(p)) == QChar::Mark_NonSpacing;
                    });
                if (!accented)
                    break;
                base = parts.front();
            }
            base = QChar::toCaseFolded(base);
            if (base < 0x10000)
                out = char16_t(base);
        }
        return t;
    }();
    return *table;
}

// Units are looked up as unsigned: Latin-1 bytes above 0x7f come as negative chars.
template <typename Unit> void foldInto(const Unit* text, qsizetype size, QString& out)
{
    const std::array<char16_t, 0x10000>& table = foldTable();
    out.resize(size);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* end = begin;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = table[std::make_unsigned_t<Unit>(text[i])];
        if (c != 0)
            *end++ = c;
    }
    out.truncate(end - begin);
}

void foldInto(QStringView text, QString& out)
{
    foldInto(text.utf16(), text.size(), out);
}

QString folded(QStringView text)
{
    QString out;
    foldInto(text, out);
    return out;
}

// The search without case and accents: what a folded value must contain to pass.
struct FoldedSearch
{
    explicit FoldedSearch(const QString& search) : needle(folded(search)) {}

    bool passes(const std::vector<FieldKey>& keys, const PackedRecord& r)
    {
        for (size_t i = kFirstUserKeyIndex; i < keys.size(); ++i) {
            const qsizetype at = r.indexOf(keys[i].innerKey);
            if (at < 0)
                continue;
            // Packed texts are read in place: a search runs over every value at each keystroke.
            PackedRecord::TextView t;
            if (!r.packedTextAt(at, t)) {
                const Value* aside = r.asideAt(at);
                foldInto(aside && aside->stringPtr() ? *aside->stringPtr() : r.textAt(at), value);
            } else if (t.isWide) {
                foldInto(t.utf16, value);
            } else {
                foldInto(t.latin1.data(), t.latin1.size(), value);
            }
            if (value.contains(needle))
                return true;
        }
        return false;
    }

    QString needle;
    QString value; // reused from value to value
};

// A text's place in natural order, without case and accents: its folded form with each run of
// digits written as a digit, its length and its digits less leading zeros, so that runs compare
// by value ("C2" before "C10") and still between punctuation and letters. Compared unit by
// unit, so a sort costs one key per record and no collation.
QString naturalKey(QStringView text, QString& buffer)
{
    foldInto(text, buffer);
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    QString key;
    key.reserve(buffer.size() + 2);
    for (qsizetype i = 0; i < buffer.size();) {
        if (!isDigit(buffer[i])) {
            key += buffer[i++];
            continue;
        }
        qsizetype end = i;
        while (end < buffer.size() && isDigit(buffer[end]))
            ++end;
        while (i + 1 < end && buffer[i] == u'0')
            ++i;
        key += u'0';
        key += QChar(char16_t(std::min<qsizetype>(end - i, 0xffff)));
        key += QStringView(buffer).sliced(i, end - i);
        i = end;
    }
    return key;
}

// Where a record goes in a sort by one field: empty values first, then numbers by value, then
// texts in natural order.
struct SortKey
{
    enum Rank { Empty, Number, Text };
    Rank rank = Empty;
    long double number = 0; // exact for every 64-bit integer
    QString text;
    size_t index = 0;

    int compare(const SortKey& other) const
    {
        if (rank != other.rank)
            return rank < other.rank ? -1 : 1;
        if (rank == Number)
            return number < other.number ? -1 : other.number < number ? 1 : 0;
        return text.compare(other.text);
    }
};

SortKey sortKeyOf(const Value& v, size_t index, QString& buffer)
{
    SortKey key;
    key.index = index;
    switch (v.type()) {
    case Value::Type::Bool:
    case Value::Type::Integer:
        key.rank = SortKey::Number;
        key.number = static_cast<long double>(v.toInteger());
        return key;
    case Value::Type::Unsigned:
        key.rank = SortKey::Number;
        key.number = static_cast<long double>(v.toUnsigned());
        return key;
    case Value::Type::Real:
        key.rank = SortKey::Number;
        key.number = static_cast<long double>(v.toReal());
        return key;
    default:
        break;
    }
    const QString text = v.toText();
    if (!text.isEmpty()) {
        key.rank = SortKey::Text;
        key.text = naturalKey(text, buffer);
    }
    return key;
}

} // namespace

bool RecordArrangement::passes(const Document& doc, const Record& r) const
{
    if (search.isEmpty())
        return true;
    return FoldedSearch(search).passes(doc.keyArray(), *r);
}

std::vector<Record> RecordArrangement::arrange(const Document& doc) const
{
    std::vector<Record> passing;
    if (search.isEmpty()) {
        passing = doc.dataArray();
    } else {
        passing.reserve(doc.dataArray().size());
        FoldedSearch folded(search);
        for (const Record& r : doc.dataArray())
            if (folded.passes(doc.keyArray(), *r))
                passing.push_back(r);
    }
    return sort ? sorted(std::move(passing), *sort) : passing;
}

qint64 RecordArrangement::largestCounter(const Document& doc) const
{
    bool any = false;
    qint64 best = 0;
    FoldedSearch folded(search);
    for (const Record& r : doc.dataArray()) {
        const Value v = r->value(kCounterKey);
        if (!v.isNumber() || (!search.isEmpty() && !folded.passes(doc.keyArray(), *r)))
            continue;
        const qint64 c = v.toInteger();
        if (!any || c > best) {
            best = c;
            any = true;
        }
    }
    return best;
}

std::vector<Record> RecordArrangement::sorted(std::vector<Record> records, const RecordSort& sort)
{
    // One sort key per record: comparing keys is far cheaper than working the texts out again
    // at every comparison of the sort.
    std::vector<SortKey> keys;
    keys.reserve(records.size());
    QString buffer;
    for (size_t i = 0; i < records.size(); ++i)
        keys.push_back(sortKeyOf(records[i]->value(sort.innerKey), i, buffer));
    const bool ascending = sort.ascending;
    std::stable_sort(keys.begin(), keys.end(), [ascending](const SortKey& a, const SortKey& b) {
        const int c = a.compare(b);
        return ascending ? c < 0 : c > 0;
    });
    std::vector<Record> out;
    out.reserve(records.size());
    for (const SortKey& key : keys)
        out.push_back(std::move(records[key.index]));
    return out;
}

} // namespace quillory
