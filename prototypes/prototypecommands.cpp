#include "prototypes/prototypecommands.h"

#include "core/document.h"
#include "prototypes/examplename.h"

#include <QUuid>

namespace quillory {

namespace {

const QString kFileTab = QStringLiteral("file");

QString addPathActionName()
{
    return Document::tr("Add Path");
}

QString deletePathActionName()
{
    return Document::tr("Delete Path");
}

void recalcExample(Document& doc, PrototypeSide side)
{
    if (side == PrototypeSide::OnePerRecord)
        ExampleName::recalcMultiNameOfFile(doc);
    else
        ExampleName::recalcOneNameOfFile(doc);
}

} // namespace

PrototypeSide PrototypeCommands::sideOf(const Prototype& proto)
{
    return proto.isMulti ? PrototypeSide::OnePerRecord : PrototypeSide::AllInOne;
}

PrototypePtr PrototypeCommands::newPrototype(PrototypeSide side)
{
    auto proto = std::make_shared<Prototype>();
    proto->uuid = QUuid::createUuid();
    proto->path = QStringLiteral("Untitled");
    proto->isFolder = false;
    proto->isMulti = side == PrototypeSide::OnePerRecord;
    return proto;
}

std::vector<PrototypePtr> PrototypeCommands::prototypes(const Document& doc, PrototypeSide side)
{
    std::vector<PrototypePtr> view;
    for (const PrototypePtr& proto : doc.universalFilePrototypeArray())
        if (proto && sideOf(*proto) == side)
            view.push_back(proto);
    return view;
}

PrototypePtr PrototypeCommands::selected(const Document& doc, PrototypeSide side)
{
    return side == PrototypeSide::OnePerRecord ? doc.multiSelectedPrototype()
                                               : doc.oneSelectedPrototype();
}

void PrototypeCommands::select(Document& doc, PrototypeSide side, const PrototypePtr& proto)
{
    if (side == PrototypeSide::OnePerRecord)
        doc.setMultiSelectedPrototype(proto);
    else
        doc.setOneSelectedPrototype(proto);
    recalcExample(doc, side);
}

void PrototypeCommands::selectDestinationRecord(Document& doc, const Record& record)
{
    doc.setAllDataSelectedRecord(record);
    ExampleName::recalcMultiNameOfFile(doc);
}

PrototypePtr PrototypeCommands::add(Document& doc, PrototypeSide side)
{
    PrototypePtr proto = newPrototype(side);
    append(doc, proto);
    select(doc, side, proto);
    return proto;
}

void PrototypeCommands::append(Document& doc, const PrototypePtr& proto)
{
    if (!doc.appendPrototype(proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { undoAppend(doc, proto); });
    doc.undoManager().setActionName(addPathActionName());
}

void PrototypeCommands::undoAppend(Document& doc, const PrototypePtr& proto)
{
    const PrototypePtr wasSelected = selected(doc, sideOf(*proto));
    if (!doc.removePrototype(proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { append(doc, proto); });
    doc.undoManager().setActionName(addPathActionName());
    if (wasSelected == proto)
        recalcExample(doc, sideOf(*proto));
}

void PrototypeCommands::remove(Document& doc, const PrototypePtr& proto)
{
    const PrototypePtr wasSelected = proto ? selected(doc, sideOf(*proto)) : nullptr;
    if (!doc.removePrototype(proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { undoRemove(doc, proto); });
    doc.undoManager().setActionName(deletePathActionName());
    if (wasSelected == proto)
        recalcExample(doc, sideOf(*proto));
}

void PrototypeCommands::undoRemove(Document& doc, const PrototypePtr& proto)
{
    if (!doc.appendPrototype(proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { remove(doc, proto); });
    doc.undoManager().setActionName(deletePathActionName());
    // The One per Record side puts it back through its view, which selects it.
    if (sideOf(*proto) == PrototypeSide::OnePerRecord)
        select(doc, PrototypeSide::OnePerRecord, proto);
}

void PrototypeCommands::removeSelected(Document& doc, PrototypeSide side)
{
    if (PrototypePtr proto = selected(doc, side))
        remove(doc, proto);
}

PrototypeSide PrototypeCommands::shownSide(const Document& doc)
{
    return doc.secTabId() == QLatin1String("multi") ? PrototypeSide::OnePerRecord
                                                    : PrototypeSide::AllInOne;
}

PrototypePtr PrototypeCommands::addOnShownSide(Document& doc)
{
    if (doc.mainTabId() != kFileTab)
        doc.setMainTabId(kFileTab);
    return add(doc, shownSide(doc));
}

void PrototypeCommands::removeOnShownSide(Document& doc)
{
    if (doc.mainTabId() == kFileTab)
        removeSelected(doc, shownSide(doc));
}

bool PrototypeCommands::canRemoveOnShownSide(const Document& doc)
{
    return doc.mainTabId() == kFileTab && doc.indexOfPrototype(selected(doc, shownSide(doc))) >= 0;
}

void PrototypeCommands::nameTextDidChange(Document& doc, PrototypeSide side, const QString& text)
{
    doc.setPrototypePath(selected(doc, side), text);
    recalcExample(doc, side);
}

void PrototypeCommands::mergeTemplateTextDidChange(Document& doc, TemplateKey key,
                                                   const QString& text)
{
    doc.setPrototypeTemplate(doc.mergeSelectedPrototype(), key, text);
}

} // namespace quillory
