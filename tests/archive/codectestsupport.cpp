#include "codectestsupport.h"

#include "support/testdata.h"

#include "core/array.h"
#include "core/dict.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include <cstring>

namespace quillory::codectest {

namespace {

QString toolPath()
{
    return QStringLiteral(QUILLORY_TEST_DATA_DIR "/bplist_tool.py");
}

bool runTool(const QStringList& args, QByteArray* out, QString* error)
{
    QProcess p;
    p.start(QStringLiteral("python3"), QStringList{toolPath()} + args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("bplist_tool.py %1 failed: %2")
                     .arg(args.value(0), QString::fromUtf8(p.readAllStandardError()));
        return false;
    }
    if (out)
        *out = p.readAllStandardOutput();
    return true;
}

QString realHex(double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return QStringLiteral("%1").arg(bits, 16, 16, QLatin1Char('0'));
}

QJsonValue toJson(const Value& v, QHash<const void*, int>& ids)
{
    auto tagged = [](const char* tag, const QJsonValue& x) {
        return QJsonObject{{QLatin1String(tag), x}};
    };
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
        return tagged("real", realHex(v.toReal()));
    case Value::Type::String:
        return tagged(v.isMutable() ? "mstr" : "str", v.toString());
    case Value::Type::Data:
        return tagged(v.isMutable() ? "mdata" : "data", QString::fromLatin1(v.toData().toHex()));
    case Value::Type::Uuid:
        return tagged("uuid", v.toUuid().toString(QUuid::WithoutBraces));
    case Value::Type::Date:
        return tagged("date", realHex(v.toDate().secondsSince2001));
    case Value::Type::Dict: {
        const DictPtr d = v.toDict();
        if (ids.contains(d.get()))
            return tagged("ref", ids.value(d.get()));
        const int id = int(ids.size());
        ids.insert(d.get(), id);
        QJsonArray entries;
        for (const auto& [k, value] : d->entries)
            entries.append(QJsonArray{k, toJson(value, ids)});
        return QJsonObject{{QStringLiteral("class"), d->isMutable
                                                         ? QStringLiteral("NSMutableDictionary")
                                                         : QStringLiteral("NSDictionary")},
                           {QStringLiteral("id"), id},
                           {QStringLiteral("entries"), entries}};
    }
    case Value::Type::Array: {
        const ArrayPtr a = v.toArray();
        if (ids.contains(a.get()))
            return tagged("ref", ids.value(a.get()));
        const int id = int(ids.size());
        ids.insert(a.get(), id);
        QJsonArray items;
        for (const Value& item : a->items)
            items.append(toJson(item, ids));
        return QJsonObject{{QStringLiteral("class"), a->isMutable ? QStringLiteral("NSMutableArray")
                                                                  : QStringLiteral("NSArray")},
                           {QStringLiteral("id"), id},
                           {QStringLiteral("items"), items}};
    }
    }
    return QJsonValue::Undefined;
}

} // namespace

QString fixtureFolder()
{
    return test::fixturePath(QStringLiteral("keyedarchive"));
}

QString fixturePath(const QString& name)
{
    return fixtureFolder() + QLatin1Char('/') + name;
}

bool havePython()
{
    return !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty();
}

std::optional<QJsonObject> independentCheck(const QString& file, QString* error)
{
    QByteArray out;
    if (!runTool({QStringLiteral("check"), file}, &out, error))
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &parseError);
    if (!doc.isObject()) {
        *error = QStringLiteral("unreadable output of bplist_tool.py: ") + parseError.errorString();
        return std::nullopt;
    }
    return doc.object();
}

bool independentRewrite(const QString& in, const QString& out, const QStringList& options,
                        QString* error)
{
    return runTool(QStringList{QStringLiteral("rewrite"), in, out} + options, nullptr, error);
}

QJsonValue graphJson(const Value& v)
{
    QHash<const void*, int> ids;
    return toJson(v, ids);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace quillory::codectest
