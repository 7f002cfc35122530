#include "merge/runsnapshot.h"

#include "core/array.h"
#include "core/dict.h"
#include "core/document.h"
#include "core/locationbookmark.h"
#include "merge/generateditems.h"

namespace quillory {

namespace {

Value deepCopy(const Value& v);

DictPtr deepCopy(const Dict& d)
{
    DictPtr copy = Dict::make(d.isMutable);
    copy->entries.reserve(d.entries.size());
    for (const auto& [key, value] : d.entries)
        copy->entries.emplace_back(key, deepCopy(value));
    return copy;
}

// Strings are shared copy-on-write and safe to read anywhere; containers are not, so they
// are copied all the way down.
Value deepCopy(const Value& v)
{
    switch (v.type()) {
    case Value::Type::Dict: {
        const DictPtr d = v.toDict();
        Value copy = Value::dict(d ? deepCopy(*d) : nullptr);
        copy.setMutable(v.isMutable());
        return copy;
    }
    case Value::Type::Array: {
        const ArrayPtr a = v.toArray();
        std::vector<Value> items;
        if (a) {
            items.reserve(a->items.size());
            for (const Value& item : a->items)
                items.push_back(deepCopy(item));
        }
        Value copy = Value::array(Array::make(std::move(items), a ? a->isMutable : true));
        copy.setMutable(v.isMutable());
        return copy;
    }
    default:
        return v;
    }
}

// Packed values are the copy's own; containers kept aside are copied all the way down.
Record deepCopy(const PackedRecord& r)
{
    MutableRecord copy = r.copy();
    for (qsizetype i = 0; i < copy->size(); ++i) {
        const Value* aside = copy->asideAt(i);
        if (aside && (aside->type() == Value::Type::Dict || aside->type() == Value::Type::Array))
            copy->setAt(i, deepCopy(*aside));
    }
    return copy;
}

} // namespace

std::optional<RunSnapshot> RunSnapshot::take(const Document& doc)
{
    const std::optional<QByteArray>& bookmark = doc.selectedDestinationBookmark();
    if (!bookmark)
        return std::nullopt;
    bool isStale = false;
    const std::optional<QString> url = LocationBookmark::resolve(*bookmark, &isStale);
    if (!url)
        return std::nullopt;
    return take(doc, *url);
}

RunSnapshot RunSnapshot::take(const Document& doc, const QString& destination)
{
    return make(doc, destination, true);
}

RunSnapshot RunSnapshot::share(const Document& doc, const QString& destination)
{
    return make(doc, destination, false);
}

RunSnapshot RunSnapshot::make(const Document& doc, const QString& destination, bool copyRecords)
{
    RunSnapshot s;
    s.accessPath = destination;
    s.destinationPath = destination;
    while (s.destinationPath.endsWith(QLatin1Char('/')))
        s.destinationPath.chop(1);
    s.items = GeneratedItems::of(doc);
    s.prototypes.reserve(doc.universalFilePrototypeArray().size());
    for (const PrototypePtr& p : doc.universalFilePrototypeArray()) {
        if (!p) {
            s.prototypes.emplace_back();
            continue;
        }
        // The run reads the path, kind and templates only, so entries of other releases
        // (which may hold containers) are left behind.
        Prototype copy;
        copy.uuid = p->uuid;
        copy.path = p->path;
        copy.isFolder = p->isFolder;
        copy.isMulti = p->isMulti;
        copy.head = p->head;
        copy.text = p->text;
        copy.separator = p->separator;
        copy.foot = p->foot;
        s.prototypes.push_back(std::move(copy));
    }
    s.records.reserve(doc.dataArray().size());
    for (const Record& r : doc.dataArray())
        s.records.push_back(!r ? PackedRecord::make() : copyRecords ? deepCopy(*r) : r);
    s.context = SubstitutionContext::fromDocument(doc);
    return s;
}

qint64 RunSnapshot::totalSteps() const
{
    qint64 total = 0;
    for (const GeneratedItem& item : items)
        total += item.isMulti ? qint64(records.size()) : 1;
    return total;
}

} // namespace quillory
