#include "rawarchive.h"

#include "archive/binaryplistwriter.h"

#include <QHash>
#include <QStringList>

namespace quillory::test {

namespace {

Node make(auto v)
{
    auto n = std::make_shared<PlistNode>();
    n->v = std::move(v);
    return n;
}

void number(const Node& n, QHash<const PlistNode*, quint64>& index, std::vector<Node>& order)
{
    if (index.contains(n.get()))
        return;
    index.insert(n.get(), quint64(order.size()));
    order.push_back(n);
    if (const auto* items = std::get_if<std::vector<Node>>(&n->v))
        for (const Node& item : *items)
            number(item, index, order);
    if (const auto* entries = std::get_if<std::vector<std::pair<Node, Node>>>(&n->v))
        for (const auto& [k, v] : *entries) {
            number(k, index, order);
            number(v, index, order);
        }
}

} // namespace

Node plistInt(qint64 n)
{
    return make(n);
}
Node plistBool(bool b)
{
    return make(b);
}
Node plistString(const QString& s)
{
    return make(s);
}
Node plistData(const QByteArray& d)
{
    return make(d);
}
Node plistUid(quint64 index)
{
    return make(Uid{index});
}
Node plistArray(std::vector<Node> items)
{
    return make(std::move(items));
}

Node plistDict(std::vector<std::pair<QString, Node>> entries)
{
    std::vector<std::pair<Node, Node>> pairs;
    for (auto& [k, v] : entries)
        pairs.emplace_back(plistString(k), std::move(v));
    return make(std::move(pairs));
}

QByteArray plistBytes(const Node& root)
{
    QHash<const PlistNode*, quint64> index;
    std::vector<Node> order;
    number(root, index, order);
    BinaryPlistWriter out(order.size());
    for (quint64 i = 0; i < order.size(); ++i) {
        const auto& v = order[i]->v;
        if (const auto* n = std::get_if<qint64>(&v))
            out.writeInteger(i, *n);
        else if (const auto* b = std::get_if<bool>(&v))
            out.writeBool(i, *b);
        else if (const auto* s = std::get_if<QString>(&v))
            out.writeString(i, *s);
        else if (const auto* data = std::get_if<QByteArray>(&v))
            out.writeData(i, *data);
        else if (const auto* u = std::get_if<Uid>(&v))
            out.writeUid(i, u->index);
        else if (const auto* items = std::get_if<std::vector<Node>>(&v)) {
            out.beginArray(i, items->size());
            for (const Node& item : *items)
                out.appendReference(index.value(item.get()));
        } else if (const auto* entries = std::get_if<std::vector<std::pair<Node, Node>>>(&v)) {
            out.beginDict(i, entries->size());
            for (const auto& entry : *entries)
                out.appendReference(index.value(entry.first.get()));
            for (const auto& entry : *entries)
                out.appendReference(index.value(entry.second.get()));
        }
    }
    out.finish(0);
    return out.takeData();
}

RawArchive::RawArchive()
{
    m_objects.push_back(plistString(QStringLiteral("$null")));
}

Node RawArchive::add(Node object)
{
    m_objects.push_back(std::move(object));
    return plistUid(m_objects.size() - 1);
}

Node RawArchive::addClass(const QStringList& chain)
{
    std::vector<Node> names;
    for (const QString& c : chain)
        names.push_back(plistString(c));
    return add(plistDict({{QStringLiteral("$classname"), plistString(chain.first())},
                          {QStringLiteral("$classes"), plistArray(std::move(names))}}));
}

Node RawArchive::addInstance(const Node& cls, std::vector<std::pair<QString, Node>> fields)
{
    fields.emplace_back(QStringLiteral("$class"), cls);
    return add(plistDict(std::move(fields)));
}

Node RawArchive::addDictionary(const std::vector<std::pair<QString, Node>>& entries, bool isMutable)
{
    Node& cls = isMutable ? m_mutableDictClass : m_dictClass;
    if (!cls)
        cls = isMutable ? addClass({"NSMutableDictionary", "NSDictionary", "NSObject"})
                        : addClass({"NSDictionary", "NSObject"});
    std::vector<Node> keys, values;
    for (const auto& [k, v] : entries) {
        keys.push_back(add(plistString(k)));
        values.push_back(v);
    }
    return addInstance(cls, {{QStringLiteral("NS.keys"), plistArray(std::move(keys))},
                             {QStringLiteral("NS.objects"), plistArray(std::move(values))}});
}

Node RawArchive::addArray(std::vector<Node> items, bool isMutable)
{
    Node& cls = isMutable ? m_mutableArrayClass : m_arrayClass;
    if (!cls)
        cls = isMutable ? addClass({"NSMutableArray", "NSArray", "NSObject"})
                        : addClass({"NSArray", "NSObject"});
    return addInstance(cls, {{QStringLiteral("NS.objects"), plistArray(std::move(items))}});
}

QByteArray RawArchive::bytes(const Node& root) const
{
    return plistBytes(
        plistDict({{QStringLiteral("$version"), plistInt(100000)},
                   {QStringLiteral("$archiver"), plistString(QStringLiteral("NSKeyedArchiver"))},
                   {QStringLiteral("$top"), plistDict({{QStringLiteral("root"), root}})},
                   {QStringLiteral("$objects"), plistArray(m_objects)}}));
}

QByteArray RawArchive::document(std::vector<Node> keys, const Entries& extras,
                                const Entries& recordExtras)
{
    Entries entries{{QStringLiteral("1"), add(plistInt(1))},
                    {QStringLiteral("3"), add(plistString(QStringLiteral("Ann")))},
                    {QStringLiteral("4"), add(plistString(QStringLiteral("Rome")))}};
    entries.insert(entries.end(), recordExtras.begin(), recordExtras.end());
    const Node record = addDictionary(entries);
    Entries root{{QStringLiteral("appversion"), add(plistInt(10000))},
                 {QStringLiteral("keyArray"), addArray(std::move(keys))},
                 {QStringLiteral("dataArray"), addArray({record})}};
    root.insert(root.end(), extras.begin(), extras.end());
    return bytes(addDictionary(root));
}

} // namespace quillory::test
