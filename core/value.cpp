#include "core/value.h"

#include "core/array.h"
#include "core/dict.h"
#include "core/packedrecord.h"

#include <QLocale>

#include <limits>

namespace quillory {

Value Value::boolean(bool b)
{
    Value v;
    v.m_v = b;
    return v;
}

Value Value::integer(qint64 n)
{
    Value v;
    v.m_v = n;
    return v;
}

Value Value::unsignedInteger(quint64 n)
{
    Value v;
    v.m_v = n;
    return v;
}

Value Value::real(double d)
{
    Value v;
    v.m_v = d;
    return v;
}

Value Value::string(QString s, bool isMutable)
{
    Value v;
    v.m_v = std::move(s);
    v.m_mutable = isMutable;
    return v;
}

Value Value::data(QByteArray d, bool isMutable)
{
    Value v;
    v.m_v = std::move(d);
    v.m_mutable = isMutable;
    return v;
}

Value Value::uuid(QUuid u)
{
    Value v;
    v.m_v = u;
    return v;
}

Value Value::date(DateValue d)
{
    Value v;
    v.m_v = d;
    return v;
}

Value Value::array(ArrayPtr a)
{
    Value v;
    v.m_mutable = a ? a->isMutable : false;
    v.m_v = std::move(a);
    return v;
}

Value Value::dict(DictPtr d)
{
    Value v;
    v.m_mutable = d ? d->isMutable : false;
    v.m_v = std::move(d);
    return v;
}

Value Value::record(std::shared_ptr<PackedRecord> r)
{
    Value v;
    v.m_mutable = true;
    v.m_v = std::move(r);
    return v;
}

Value::Type Value::type() const
{
    return static_cast<Type>(m_v.index());
}

bool Value::isNumber() const
{
    const Type t = type();
    return t == Type::Bool || t == Type::Integer || t == Type::Unsigned || t == Type::Real;
}

bool Value::toBool() const
{
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(m_v);
    case Type::Integer:
        return std::get<qint64>(m_v) != 0;
    case Type::Unsigned:
        return std::get<quint64>(m_v) != 0;
    case Type::Real:
        return std::get<double>(m_v) != 0.0;
    default:
        return false;
    }
}

qint64 Value::toInteger() const
{
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(m_v) ? 1 : 0;
    case Type::Integer:
        return std::get<qint64>(m_v);
    case Type::Unsigned:
        return static_cast<qint64>(std::get<quint64>(m_v));
    case Type::Real: {
        const double d = std::get<double>(m_v);
        if (!(d == d))
            return 0;
        if (d >= 9.2233720368547758e18)
            return std::numeric_limits<qint64>::max();
        if (d <= -9.2233720368547758e18)
            return std::numeric_limits<qint64>::min();
        return static_cast<qint64>(d);
    }
    default:
        return 0;
    }
}

quint64 Value::toUnsigned() const
{
    if (type() == Type::Unsigned)
        return std::get<quint64>(m_v);
    return static_cast<quint64>(toInteger());
}

double Value::toReal() const
{
    switch (type()) {
    case Type::Real:
        return std::get<double>(m_v);
    case Type::Unsigned:
        return static_cast<double>(std::get<quint64>(m_v));
    default:
        return static_cast<double>(toInteger());
    }
}

QString Value::toString() const
{
    if (const QString* s = std::get_if<QString>(&m_v))
        return *s;
    return {};
}

QString Value::toText() const
{
    switch (type()) {
    case Type::String:
        return std::get<QString>(m_v);
    case Type::Bool:
        return std::get<bool>(m_v) ? QStringLiteral("1") : QStringLiteral("0");
    case Type::Integer:
        return QString::number(std::get<qint64>(m_v));
    case Type::Unsigned:
        return QString::number(std::get<quint64>(m_v));
    case Type::Real:
        return QString::number(std::get<double>(m_v), 'f', QLocale::FloatingPointShortest);
    default:
        return {};
    }
}

QByteArray Value::toData() const
{
    if (const QByteArray* d = std::get_if<QByteArray>(&m_v))
        return *d;
    return {};
}

QUuid Value::toUuid() const
{
    if (const QUuid* u = std::get_if<QUuid>(&m_v))
        return *u;
    return {};
}

DateValue Value::toDate() const
{
    if (const DateValue* d = std::get_if<DateValue>(&m_v))
        return *d;
    return {};
}

ArrayPtr Value::toArray() const
{
    if (const ArrayPtr* a = std::get_if<ArrayPtr>(&m_v))
        return *a;
    return {};
}

DictPtr Value::toDict() const
{
    if (const DictPtr* d = std::get_if<DictPtr>(&m_v))
        return *d;
    return {};
}

std::shared_ptr<PackedRecord> Value::toRecord() const
{
    if (const auto* r = std::get_if<std::shared_ptr<PackedRecord>>(&m_v))
        return *r;
    return {};
}

std::shared_ptr<PackedRecord> Value::takeRecord()
{
    auto* r = std::get_if<std::shared_ptr<PackedRecord>>(&m_v);
    if (!r)
        return {};
    std::shared_ptr<PackedRecord> taken = std::move(*r);
    m_v = std::monostate();
    return taken;
}

bool Value::operator==(const Value& other) const
{
    if (type() != other.type())
        return false;
    switch (type()) {
    case Type::Array: {
        const ArrayPtr a = toArray(), b = other.toArray();
        return a == b || (a && b && *a == *b);
    }
    case Type::Dict: {
        const DictPtr a = toDict(), b = other.toDict();
        return a == b || (a && b && *a == *b);
    }
    case Type::Record: {
        const auto a = toRecord(), b = other.toRecord();
        return a == b || (a && b && *a == *b);
    }
    default:
        return m_v == other.m_v;
    }
}

ArrayPtr Array::make(std::vector<Value> items, bool isMutable)
{
    auto a = std::make_shared<Array>();
    a->items = std::move(items);
    a->isMutable = isMutable;
    return a;
}

DictPtr Dict::make(bool isMutable)
{
    auto d = std::make_shared<Dict>();
    d->isMutable = isMutable;
    return d;
}

const Value* Dict::find(QStringView key) const
{
    for (const auto& [k, v] : entries)
        if (k == key)
            return &v;
    return nullptr;
}

Value* Dict::find(QStringView key)
{
    for (auto& [k, v] : entries)
        if (k == key)
            return &v;
    return nullptr;
}

Value Dict::value(QStringView key) const
{
    const Value* v = find(key);
    return v ? *v : Value();
}

void Dict::set(const QString& key, Value v)
{
    if (Value* existing = find(key))
        *existing = std::move(v);
    else
        entries.emplace_back(key, std::move(v));
}

bool Dict::remove(QStringView key)
{
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->first == key) {
            entries.erase(it);
            return true;
        }
    }
    return false;
}

DictPtr Dict::shallowCopy() const
{
    auto d = std::make_shared<Dict>(*this);
    return d;
}

bool Dict::operator==(const Dict& other) const
{
    if (entries.size() != other.entries.size() || bool(archived) != bool(other.archived) ||
        (archived && !(*archived == *other.archived)))
        return false;
    for (const auto& [k, v] : entries) {
        const Value* o = other.find(k);
        if (!o || !(*o == v))
            return false;
    }
    return true;
}

} // namespace quillory
