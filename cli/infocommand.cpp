#include "cli/clicontext.h"
#include "cli/commands.h"
#include "core/array.h"
#include "core/locationbookmark.h"
#include "merge/generateditems.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillory {

namespace {

QJsonValue toJson(const Value& v);

QJsonObject toJson(const PackedRecord& r)
{
    QJsonObject o;
    for (qsizetype i = 0; i < r.size(); ++i)
        o.insert(r.keyAt(i), toJson(r.valueAt(i)));
    return o;
}

QJsonValue toJson(const Value& v)
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
    case Value::Type::Array: {
        QJsonArray a;
        if (const ArrayPtr arr = v.toArray())
            for (const Value& item : arr->items)
                a.append(toJson(item));
        return a;
    }
    case Value::Type::Dict: {
        QJsonObject o;
        if (const DictPtr d = v.toDict())
            for (const auto& [k, item] : d->entries)
                o.insert(k, toJson(item));
        return o;
    }
    case Value::Type::Record:
        if (const auto r = v.toRecord())
            return toJson(*r);
        return QJsonObject();
    }
    return QJsonValue::Null;
}

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
    for (const Record& r : doc.dataArray())
        records.append(toJson(*r));
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
