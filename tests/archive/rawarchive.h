#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <utility>
#include <variant>
#include <vector>

namespace quillory::test {

// A hand-made plist node, for archives our writer would never make (shapes other programs or
// attackers write). A node held twice is written once and referenced from both places.
struct PlistNode;
using Node = std::shared_ptr<PlistNode>;

struct Uid
{
    quint64 index;
};

struct PlistNode
{
    std::variant<qint64, bool, QString, QByteArray, Uid, std::vector<Node>,
                 std::vector<std::pair<Node, Node>>>
        v;
};

Node plistInt(qint64 n);
Node plistBool(bool b);
Node plistString(const QString& s);
Node plistData(const QByteArray& d);
Node plistUid(quint64 index);
Node plistArray(std::vector<Node> items);
Node plistDict(std::vector<std::pair<QString, Node>> entries);

// The binary plist of root, every distinct node one object.
QByteArray plistBytes(const Node& root);

// Builds the $objects of a keyed archive: add() returns the UID of the object appended.
using Entries = std::vector<std::pair<QString, Node>>;

class RawArchive
{
public:
    RawArchive();
    Node add(Node object);
    // A class dictionary for name with the given superclass chain (name first).
    Node addClass(const QStringList& chain);
    // An instance: its fields plus $class.
    Node addInstance(const Node& cls, std::vector<std::pair<QString, Node>> fields);
    Node addDictionary(const std::vector<std::pair<QString, Node>>& entries, bool isMutable = true);
    Node addArray(std::vector<Node> items, bool isMutable = true);
    // The archive with root under $top "root".
    QByteArray bytes(const Node& root) const;
    // A document with the given field key dictionaries and root entries, and one record (Ann of
    // Rome, counter 1) with the given extra entries.
    QByteArray document(std::vector<Node> keys, const Entries& extras,
                        const Entries& recordExtras = {});

private:
    std::vector<Node> m_objects;
    Node m_dictClass, m_mutableDictClass, m_arrayClass, m_mutableArrayClass;
};

} // namespace quillory::test
