#include "merge/runsnapshot.h"

#include "core/document.h"
#include "core/locationbookmark.h"
#include "merge/generateditems.h"

namespace quillory {

namespace {

// The run reads a record's values as text, and a container (an entry of another release, or of
// a hostile file) reads as none. Left behind rather than copied: a container may hold another
// many times over, and copying it per path would expand what the file shares.
Record runCopy(const PackedRecord& r)
{
    MutableRecord copy = r.copy();
    for (qsizetype i = 0; i < copy->size(); ++i) {
        const Value* aside = copy->asideAt(i);
        if (aside && (aside->type() == Value::Type::Dict || aside->type() == Value::Type::Array ||
                      aside->type() == Value::Type::Record))
            copy->setAt(i, Value());
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
        s.records.push_back(!r ? PackedRecord::make() : copyRecords ? runCopy(*r) : r);
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
