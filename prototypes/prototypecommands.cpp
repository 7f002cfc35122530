#include "prototypes/prototypecommands.h"

#include "core/document.h"
#include "prototypes/examplename.h"

#include <QUuid>

#include <algorithm>

namespace quillory {

namespace {

QString addPathActionName()
{
    return Document::tr("Add Path");
}

QString deletePathActionName()
{
    return Document::tr("Delete Path");
}

bool appendPrototype(Document& doc, const PrototypePtr& proto)
{
    if (!proto || PrototypeCommands::indexOfPrototype(doc, proto) >= 0)
        return false;
    doc.universalFilePrototypeArray().push_back(proto);
    return true;
}

// A removed Prototype must not stay selected in any view, or later commands would edit or
// show an object that is no longer in the document.
void forgetSelections(Document& doc, const PrototypePtr& proto)
{
    if (doc.oneSelectedPrototype() == proto) {
        doc.setOneSelectedPrototype(nullptr);
        ExampleName::recalcOneNameOfFile(doc);
    }
    if (doc.multiSelectedPrototype() == proto) {
        doc.setMultiSelectedPrototype(nullptr);
        ExampleName::recalcMultiNameOfFile(doc);
    }
    if (doc.mergeSelectedPrototype() == proto)
        doc.setMergeSelectedPrototype(nullptr);
    if (doc.previewSelectedPrototype() == proto)
        doc.setPreviewSelectedPrototype(nullptr);
}

bool removePrototype(Document& doc, const PrototypePtr& proto)
{
    auto& list = doc.universalFilePrototypeArray();
    const auto it = std::find(list.begin(), list.end(), proto);
    if (!proto || it == list.end())
        return false;
    list.erase(it);
    forgetSelections(doc, proto);
    return true;
}

std::vector<PrototypePtr> filtered(const Document& doc, bool isMulti)
{
    std::vector<PrototypePtr> view;
    for (const PrototypePtr& proto : doc.universalFilePrototypeArray())
        if (proto && proto->isMulti == isMulti)
            view.push_back(proto);
    return view;
}

QString* templateField(Prototype& proto, TemplateKey key)
{
    switch (key) {
    case TemplateKey::Head:
        return &proto.head;
    case TemplateKey::Text:
        return &proto.text;
    case TemplateKey::Separator:
        return &proto.separator;
    case TemplateKey::Foot:
        return &proto.foot;
    }
    return &proto.text;
}

} // namespace

PrototypePtr PrototypeCommands::getNewDestinationRowMulti(bool isMulti)
{
    auto proto = std::make_shared<Prototype>();
    proto->uuid = QUuid::createUuid();
    proto->path = QStringLiteral("Untitled");
    proto->isFolder = false;
    proto->isMulti = isMulti;
    return proto;
}

std::vector<PrototypePtr> PrototypeCommands::oneFilePrototypes(const Document& doc)
{
    return filtered(doc, false);
}

std::vector<PrototypePtr> PrototypeCommands::multiFilePrototypes(const Document& doc)
{
    return filtered(doc, true);
}

qsizetype PrototypeCommands::indexOfPrototype(const Document& doc, const PrototypePtr& proto)
{
    const auto& list = doc.universalFilePrototypeArray();
    const auto it = std::find(list.begin(), list.end(), proto);
    return (proto && it != list.end()) ? it - list.begin() : -1;
}

PrototypePtr PrototypeCommands::addOneFileFolderDestination(Document& doc)
{
    PrototypePtr proto = getNewDestinationRowMulti(false);
    addOneTheDestination(doc, proto);
    selectOnePrototype(doc, proto);
    return proto;
}

PrototypePtr PrototypeCommands::addFileFolderDestination(Document& doc)
{
    PrototypePtr proto = getNewDestinationRowMulti(true);
    addTheDestination(doc, proto);
    selectMultiPrototype(doc, proto);
    return proto;
}

void PrototypeCommands::addOneTheDestination(Document& doc, const PrototypePtr& proto)
{
    if (!appendPrototype(doc, proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { addOneTheDestinationUndo(doc, proto); });
    doc.undoManager().setActionName(addPathActionName());
    doc.updateChangeCount();
    emit doc.prototypesChanged();
}

void PrototypeCommands::addTheDestination(Document& doc, const PrototypePtr& proto)
{
    if (!appendPrototype(doc, proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { addTheDestinationUndo(doc, proto); });
    doc.undoManager().setActionName(addPathActionName());
    doc.updateChangeCount();
    emit doc.prototypesChanged();
}

void PrototypeCommands::addOneTheDestinationUndo(Document& doc, const PrototypePtr& proto)
{
    if (!removePrototype(doc, proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { addOneTheDestination(doc, proto); });
    doc.undoManager().setActionName(addPathActionName());
    // Our undo history does not track the saved state, so an undo is a change like any other.
    doc.updateChangeCount();
    emit doc.prototypesChanged();
}

void PrototypeCommands::addTheDestinationUndo(Document& doc, const PrototypePtr& proto)
{
    if (!removePrototype(doc, proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { addTheDestination(doc, proto); });
    doc.undoManager().setActionName(addPathActionName());
    doc.updateChangeCount();
    emit doc.prototypesChanged();
}

void PrototypeCommands::removeOneTheDestination(Document& doc)
{
    if (PrototypePtr proto = doc.oneSelectedPrototype())
        removeOneTheDestinationObj(doc, proto);
}

void PrototypeCommands::removeTheDestination(Document& doc)
{
    if (PrototypePtr proto = doc.multiSelectedPrototype())
        removeTheDestinationObj(doc, proto);
}

void PrototypeCommands::removeOneTheDestinationObj(Document& doc, const PrototypePtr& proto)
{
    if (!removePrototype(doc, proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { removeOneTheDestinationUndo(doc, proto); });
    doc.undoManager().setActionName(deletePathActionName());
    doc.updateChangeCount();
    emit doc.prototypesChanged();
}

void PrototypeCommands::removeTheDestinationObj(Document& doc, const PrototypePtr& proto)
{
    if (!removePrototype(doc, proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { removeTheDestinationUndo(doc, proto); });
    doc.undoManager().setActionName(deletePathActionName());
    doc.updateChangeCount();
    emit doc.prototypesChanged();
}

void PrototypeCommands::removeOneTheDestinationUndo(Document& doc, const PrototypePtr& proto)
{
    if (!appendPrototype(doc, proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { removeOneTheDestinationObj(doc, proto); });
    doc.undoManager().setActionName(deletePathActionName());
    doc.updateChangeCount();
    emit doc.prototypesChanged();
}

void PrototypeCommands::removeTheDestinationUndo(Document& doc, const PrototypePtr& proto)
{
    if (!appendPrototype(doc, proto))
        return;
    doc.undoManager().registerUndo([&doc, proto] { removeTheDestinationObj(doc, proto); });
    doc.undoManager().setActionName(deletePathActionName());
    doc.updateChangeCount();
    emit doc.prototypesChanged();
    // The One per Record side puts it back through its view, which selects it.
    selectMultiPrototype(doc, proto);
}

PrototypePtr PrototypeCommands::addGenericDestination(Document& doc)
{
    if (doc.mainTabId() != QLatin1String("file"))
        doc.setMainTabId(QStringLiteral("file"));
    if (doc.secTabId() == QLatin1String("multi"))
        return addFileFolderDestination(doc);
    return addOneFileFolderDestination(doc);
}

void PrototypeCommands::removeGenericDestination(Document& doc)
{
    if (doc.mainTabId() != QLatin1String("file"))
        return;
    if (doc.secTabId() == QLatin1String("multi"))
        removeTheDestination(doc);
    else
        removeOneTheDestination(doc);
}

bool PrototypeCommands::canRemoveGenericDestination(const Document& doc)
{
    if (doc.mainTabId() != QLatin1String("file"))
        return false;
    const PrototypePtr selected = doc.secTabId() == QLatin1String("multi")
                                      ? doc.multiSelectedPrototype()
                                      : doc.oneSelectedPrototype();
    return indexOfPrototype(doc, selected) >= 0;
}

void PrototypeCommands::selectOnePrototype(Document& doc, const PrototypePtr& proto)
{
    doc.setOneSelectedPrototype(proto);
    ExampleName::recalcOneNameOfFile(doc);
}

void PrototypeCommands::selectMultiPrototype(Document& doc, const PrototypePtr& proto)
{
    doc.setMultiSelectedPrototype(proto);
    ExampleName::recalcMultiNameOfFile(doc);
}

void PrototypeCommands::selectDestinationRecord(Document& doc, const Record& record)
{
    doc.setAllDataSelectedRecord(record);
    ExampleName::recalcMultiNameOfFile(doc);
}

void PrototypeCommands::oneNameOfFileTextDidChange(Document& doc, const QString& text)
{
    setPath(doc, doc.oneSelectedPrototype(), text);
    ExampleName::recalcOneNameOfFile(doc);
}

void PrototypeCommands::multiNameOfFileTextDidChange(Document& doc, const QString& text)
{
    setPath(doc, doc.multiSelectedPrototype(), text);
    ExampleName::recalcMultiNameOfFile(doc);
}

void PrototypeCommands::mergeTemplateTextDidChange(Document& doc, TemplateKey key,
                                                 const QString& text)
{
    setTemplate(doc, doc.mergeSelectedPrototype(), key, text);
}

bool PrototypeCommands::setPath(Document& doc, const PrototypePtr& proto, const QString& path)
{
    if (!proto || proto->path == path)
        return false;
    proto->path = path;
    doc.updateChangeCount();
    emit doc.prototypesChanged();
    return true;
}

bool PrototypeCommands::setTemplate(Document& doc, const PrototypePtr& proto, TemplateKey key,
                                  const QString& text)
{
    if (!proto)
        return false;
    QString* field = templateField(*proto, key);
    if (*field == text)
        return false;
    *field = text;
    doc.updateChangeCount();
    return true;
}

QString PrototypeCommands::templateText(const Prototype& proto, TemplateKey key)
{
    switch (key) {
    case TemplateKey::Head:
        return proto.head;
    case TemplateKey::Text:
        return proto.text;
    case TemplateKey::Separator:
        return proto.separator;
    case TemplateKey::Foot:
        return proto.foot;
    }
    return proto.text;
}

} // namespace quillory
