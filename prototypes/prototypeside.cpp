#include "prototypes/prototypeside.h"

#include "core/document.h"

#include <QUuid>

namespace quillory {

PrototypeSide sideOf(const Prototype& proto)
{
    return proto.isMulti ? PrototypeSide::OnePerRecord : PrototypeSide::AllInOne;
}

PrototypePtr newPrototype(PrototypeSide side)
{
    auto proto = std::make_shared<Prototype>();
    proto->uuid = QUuid::createUuid();
    proto->path = QStringLiteral("Untitled");
    proto->isFolder = false;
    proto->isMulti = side == PrototypeSide::OnePerRecord;
    return proto;
}

std::vector<PrototypePtr> prototypesOn(const Document& doc, PrototypeSide side)
{
    std::vector<PrototypePtr> view;
    for (const PrototypePtr& proto : doc.universalFilePrototypeArray())
        if (proto && sideOf(*proto) == side)
            view.push_back(proto);
    return view;
}

} // namespace quillory
