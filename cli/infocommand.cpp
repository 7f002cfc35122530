#include "archive/keyedarchivereader.h"
#include "cli/clicontext.h"
#include "cli/commands.h"
#include "core/array.h"
#include "core/dict.h"
#include "core/locationbookmark.h"
#include "merge/generateditems.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unordered_map>

namespace quillory {

namespace {

// Prints a document's values once each: a container met again (the file shares it) prints as
// {"$ref": "#<JSON pointer to where it was printed>"}, so that a small file holding a container
// many times over prints small. The document's records are known by their place in the list
// from the start, so a record holding another refers to it instead of nesting it.
class ValuePrinter
{
public:
    explicit ValuePrinter(const std::vector<Record>& records)
    {
        for (size_t i = 0; i < records.size(); ++i)
            m_printedAt.emplace(records[i].get(), QStringLiteral("/records/%1").arg(i));
    }

    QJsonObject record(const PackedRecord& r, const QString& at, int depth)
    {
        QJsonObject o;
        for (qsizetype i = 0; i < r.size(); ++i)
            o.insert(r.keyAt(i), value(r.valueAt(i), at + u'/' + escaped(r.keyAt(i)), depth + 1));
        return o;
    }

    QJsonValue value(const Value& v, const QString& at, int depth)
    {
        switch (v.type()) {
        case Value::Type::None:
            return QJsonValue::Null;
        case Value::Type::Bool:
            return v.toBool();
        case Value::Type::Integer:
            return v.toInteger();
        case Value::Type::Unsigned:
            return double(v.toUnsigned());
        case Value::Type::Real:
            return v.toReal();
        case Value::Type::String:
            return v.toString();
        case Value::Type::Data:
            return QString::fromLatin1(v.toData().toBase64());
        case Value::Type::Uuid:
            return v.toUuid().toString(QUuid::WithoutBraces).toUpper();
        case Value::Type::Date:
            return v.toDate().secondsSince2001;
        case Value::Type::Array:
        case Value::Type::Dict:
        case Value::Type::Record:
            return container(v, at, depth);
        }
        return QJsonValue::Null;
    }

private:
    QJsonValue container(const Value& v, const QString& at, int depth)
    {
        const void* identity =
            v.type() == Value::Type::Array  ? static_cast<const void*>(v.toArray().get())
            : v.type() == Value::Type::Dict ? static_cast<const void*>(v.toDict().get())
                                            : static_cast<const void*>(v.recordPtr());
        if (!identity)
            return v.type() == Value::Type::Array ? QJsonValue(QJsonArray())
                                                  : QJsonValue(QJsonObject());
        if (const auto found = m_printedAt.find(identity); found != m_printedAt.end())
            return QJsonObject{{QStringLiteral("$ref"), u'#' + found->second}};
        // Files are read no deeper than this; anything deeper was not made by a reader.
        if (depth > KeyedArchiveReader::kMaxDepth)
            return QJsonObject{{QStringLiteral("$truncated"), true}};
        m_printedAt.emplace(identity, at);
        if (const PackedRecord* r = v.recordPtr())
            return record(*r, at, depth);
        if (const ArrayPtr arr = v.toArray()) {
            QJsonArray a;
            for (size_t i = 0; i < arr->items.size(); ++i)
                a.append(value(arr->items[i], at + u'/' + QString::number(i), depth + 1));
            return a;
        }
        QJsonObject o;
        for (const auto& [k, item] : v.toDict()->entries)
            o.insert(k, value(item, at + u'/' + escaped(k), depth + 1));
        return o;
    }

    // A JSON pointer's escaping of a key.
    static QString escaped(QString key)
    {
        return key.replace(u'~', QStringLiteral("~0")).replace(u'/', QStringLiteral("~1"));
    }

    std::unordered_map<const void*, QString> m_printedAt;
};

std::optional<QString> destinationPath(const Document& doc)
{
    if (!doc.selectedDestinationBookmark())
        return std::nullopt;
    bool stale = false;
    return LocationBookmark::resolve(*doc.selectedDestinationBookmark(), &stale);
}

QJsonObject wholeDocument(const Document& doc)
{
    QJsonObject root;
    root.insert(QStringLiteral("appversion"), qint64(Document::kAppVersion));
    root.insert(QStringLiteral("mainTabId"), doc.mainTabId());
    root.insert(QStringLiteral("secTabId"), doc.secTabId());
    root.insert(QStringLiteral("destinationDefined"), doc.selectedDestinationDefined());
    const auto dest = destinationPath(doc);
    root.insert(QStringLiteral("destination"), dest ? QJsonValue(*dest) : QJsonValue::Null);
    QJsonArray fields;
    for (const FieldKey& k : doc.keyArray())
        fields.append(QJsonObject{{QStringLiteral("innerKey"), k.innerKey},
                                  {QStringLiteral("publicKey"), k.publicKey}});
    root.insert(QStringLiteral("fields"), fields);
    QJsonArray records;
    ValuePrinter printer(doc.dataArray());
    for (size_t i = 0; i < doc.dataArray().size(); ++i)
        records.append(
            printer.record(*doc.dataArray()[i], QStringLiteral("/records/%1").arg(i), 0));
    root.insert(QStringLiteral("records"), records);
    QJsonArray prototypes;
    for (const PrototypePtr& p : doc.universalFilePrototypeArray()) {
        QJsonObject o{
            {QStringLiteral("uuid"),
             p->uuid.isNull() ? QJsonValue(QJsonValue::Null)
                              : QJsonValue(p->uuid.toString(QUuid::WithoutBraces).toUpper())},
            {QStringLiteral("path"), p->path},
            {QStringLiteral("isFolder"), p->isFolder},
            {QStringLiteral("isMulti"), p->isMulti},
            {QStringLiteral("head"), p->head},
            {QStringLiteral("text"), p->text},
            {QStringLiteral("separator"), p->separator},
            {QStringLiteral("foot"), p->foot},
        };
        prototypes.append(o);
    }
    root.insert(QStringLiteral("prototypes"), prototypes);
    return root;
}

} // namespace

int infoCommand(CliContext& ctx, const QStringList& args)
{
    const QString usage = QStringLiteral("quillory-cli info DOC [--json]\nShows a summary of the "
                                         "document, or with --json its whole content.");
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the whole content as JSON."));
    parser.addOption(json);
    int code = ExitOk;
    if (!ctx.parseCommand(parser, args, usage, 1, 1, &code))
        return code;
    auto doc = ctx.loadDocument(parser.positionalArguments().front());
    if (!doc)
        return ExitUsage;
    if (parser.isSet(json)) {
        ctx.out() << QJsonDocument(wholeDocument(*doc)).toJson(QJsonDocument::Indented);
        return ExitOk;
    }
    QStringList names;
    for (size_t i = kFirstUserKeyIndex; i < doc->keyArray().size(); ++i)
        names << doc->keyArray()[i].publicKey;
    qint64 one = 0, multi = 0;
    for (const PrototypePtr& p : doc->universalFilePrototypeArray())
        (p->isMulti ? multi : one)++;
    const auto dest = destinationPath(*doc);
    ctx.out() << "Fields: "
              << (names.isEmpty() ? QStringLiteral("(none)") : names.join(QLatin1String(", ")))
              << '\n'
              << "Records: " << doc->dataArray().size() << " (" << doc->checkedRecordCount()
              << " checked)\n"
              << "Prototypes: " << one << " All in One, " << multi << " One per Record\n"
              << "Items a run would create: " << GeneratedItems::of(*doc).size() << '\n'
              << "Destination: "
              << (dest                                ? *dest
                  : doc->selectedDestinationDefined() ? QStringLiteral("(no longer usable)")
                                                      : QStringLiteral("(not set)"))
              << '\n';
    return ExitOk;
}

} // namespace quillory
