#include "archivecheck.h"

#include "support/scratchfolder.h"
#include "support/testdata.h"

#include "core/array.h"
#include "core/dict.h"
#include "core/packedrecord.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace quillory::test {

namespace {

QJsonObject tagged(const char* tag, const QJsonValue& v)
{
    return QJsonObject{{QLatin1String(tag), v}};
}

QJsonValue toJson(const Value& v, QHash<const void*, int>& ids)
{
    switch (v.type()) {
    case Value::Type::None:
        return QJsonValue::Null;
    case Value::Type::Bool:
        return tagged("bool", v.toBool());
    case Value::Type::Integer:
        return tagged("int", QString::number(v.toInteger()));
    case Value::Type::Unsigned:
        return tagged("int", QString::number(v.toUnsigned()));
    case Value::Type::Real:
        return tagged("real", v.toReal());
    case Value::Type::Date:
        return tagged("date", v.toDate().secondsSince2001);
    case Value::Type::String:
        return tagged(v.isMutable() ? "mstr" : "str", v.toString());
    case Value::Type::Data:
        return tagged(v.isMutable() ? "mdata" : "data", QString::fromLatin1(v.toData().toHex()));
    case Value::Type::Uuid:
        return tagged("uuid", v.toUuid().toString(QUuid::WithoutBraces));
    case Value::Type::Record: {
        // Written as a mutable dictionary: shown as one.
        const Record r = v.toRecord();
        if (ids.contains(r.get()))
            return tagged("ref", ids.value(r.get()));
        const int id = int(ids.size());
        ids.insert(r.get(), id);
        QJsonArray content;
        for (qsizetype i = 0; i < r->size(); ++i)
            content.append(QJsonArray{r->keyAt(i), toJson(r->valueAt(i), ids)});
        return QJsonObject{{QStringLiteral("class"), QStringLiteral("NSMutableDictionary")},
                           {QStringLiteral("id"), id},
                           {QStringLiteral("entries"), content}};
    }
    case Value::Type::Array:
    case Value::Type::Dict:
        break;
    }
    const DictPtr d = v.toDict();
    const ArrayPtr a = v.toArray();
    const void* container = d ? static_cast<const void*>(d.get()) : a.get();
    if (ids.contains(container))
        return tagged("ref", ids.value(container));
    const int id = int(ids.size());
    ids.insert(container, id);
    QJsonArray content;
    if (d)
        for (const auto& [key, value] : d->entries)
            content.append(QJsonArray{key, toJson(value, ids)});
    else
        for (const Value& item : a->items)
            content.append(toJson(item, ids));
    if (d && d->archived) {
        // Objects of classes we do not model: their class and how each field was stored.
        return QJsonObject{
            {QStringLiteral("archived"), d->archived->className},
            {QStringLiteral("classes"),
             d->archived->hasClasses ? QJsonValue(QJsonArray::fromStringList(d->archived->classes))
                                     : QJsonValue()},
            {QStringLiteral("id"), id},
            {QStringLiteral("inline"), QJsonArray::fromStringList(d->archived->inlineFields)},
            {QStringLiteral("lists"), QJsonArray::fromStringList(d->archived->referenceListFields)},
            {QStringLiteral("fields"), content}};
    }
    const bool isMutable = d ? d->isMutable : a->isMutable;
    return QJsonObject{
        {QStringLiteral("class"),
         QStringLiteral("NS%1%2").arg(isMutable ? QStringLiteral("Mutable") : QString(),
                                      d ? QStringLiteral("Dictionary") : QStringLiteral("Array"))},
        {QStringLiteral("id"), id},
        {d ? QStringLiteral("entries") : QStringLiteral("items"), content}};
}

Value fromJson(const QJsonValue& json, QHash<int, Value>& ids)
{
    const QJsonObject o = json.toObject();
    if (o.isEmpty())
        return Value();
    const QString tag = o.begin().key();
    const QJsonValue x = o.begin().value();
    if (tag == u"bool")
        return Value::boolean(x.toBool());
    if (tag == u"int") {
        bool isSigned = false;
        const qint64 n = x.toString().toLongLong(&isSigned);
        return isSigned ? Value::integer(n) : Value::unsignedInteger(x.toString().toULongLong());
    }
    if (tag == u"real")
        return Value::real(x.toDouble());
    if (tag == u"date")
        return Value::date({x.toDouble()});
    if (tag == u"str" || tag == u"mstr")
        return Value::string(x.toString(), tag == u"mstr");
    if (tag == u"data" || tag == u"mdata")
        return Value::data(QByteArray::fromHex(x.toString().toLatin1()), tag == u"mdata");
    if (tag == u"uuid")
        return Value::uuid(QUuid::fromString(x.toString()));
    if (tag == u"ref")
        return ids.value(x.toInt());
    const bool isMutable = o[QStringLiteral("class")].toString().startsWith(u"NSMutable");
    const int id = o[QStringLiteral("id")].toInt();
    const DictPtr d = o.contains(QStringLiteral("entries")) ? Dict::make(isMutable) : nullptr;
    const ArrayPtr a = d ? nullptr : Array::make({}, isMutable);
    // Known before its content, which may refer to it.
    ids.insert(id, d ? Value::dict(d) : Value::array(a));
    for (const QJsonValue& item :
         o[d ? QStringLiteral("entries") : QStringLiteral("items")].toArray())
        if (d)
            d->entries.emplace_back(item[0].toString(), fromJson(item[1], ids));
        else
            a->items.push_back(fromJson(item, ids));
    return ids.value(id);
}

} // namespace

QJsonValue graphJson(const Value& v)
{
    QHash<const void*, int> ids;
    return toJson(v, ids);
}

Value graphValue(const QJsonValue& graph)
{
    QHash<int, Value> ids;
    return fromJson(graph, ids);
}

QJsonObject runTool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("python3"),
            QStringList{testDataPath(QStringLiteral("archive/bplist_tool.py"))} + args);
    const bool ran =
        p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ran)
        return tagged("error", QStringLiteral("bplist_tool.py %1: %2 %3")
                                   .arg(args.join(u' '), p.errorString(),
                                        QString::fromUtf8(p.readAllStandardError())));
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QJsonValue readJson(const QString& relative)
{
    const QJsonDocument doc = QJsonDocument::fromJson(readFile(testDataPath(relative)));
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

} // namespace quillory::test

char* toString(const QJsonValue& v)
{
    const QByteArray json = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return qstrdup(json.left(3000).constData());
}
