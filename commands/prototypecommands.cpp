#include "commands/prototypecommands.h"

#include "commands/undostack.h"
#include "core/document.h"

namespace quillory::commands {

namespace {

class AddPrototype : public Command
{
public:
    AddPrototype(Document& doc, PrototypePtr proto) : m_doc(doc), m_proto(std::move(proto)) {}
    QString name() const override { return Document::tr("Add Path"); }
    void redo() override
    {
        m_doc.insertPrototype(qsizetype(m_doc.universalFilePrototypeArray().size()), m_proto);
    }
    void undo() override { m_doc.removePrototype(m_doc.indexOfPrototype(m_proto)); }

private:
    Document& m_doc;
    PrototypePtr m_proto;
};

class RemovePrototype : public Command
{
public:
    RemovePrototype(Document& doc, PrototypePtr proto)
        : m_doc(doc), m_proto(std::move(proto)), m_index(doc.indexOfPrototype(m_proto))
    {}
    QString name() const override { return Document::tr("Delete Path"); }
    void redo() override { m_doc.removePrototype(m_index); }
    void undo() override { m_doc.insertPrototype(m_index, m_proto); }

private:
    Document& m_doc;
    PrototypePtr m_proto;
    qsizetype m_index;
};

// One text of a Prototype: its path or one of its templates.
class SetPrototypeText : public Command
{
public:
    // key none: the path.
    SetPrototypeText(Document& doc, PrototypePtr proto, std::optional<TemplateKey> key,
                     QString after)
        : m_doc(doc), m_proto(std::move(proto)), m_key(key), m_before(text()),
          m_after(std::move(after))
    {}
    QString name() const override
    {
        if (!m_key)
            return Document::tr("Typing in Path");
        switch (*m_key) {
        case TemplateKey::Head:
            return Document::tr("Typing in Head");
        case TemplateKey::Text:
            return Document::tr("Typing in Text");
        case TemplateKey::Separator:
            return Document::tr("Typing in Separator");
        case TemplateKey::Foot:
            break;
        }
        return Document::tr("Typing in Foot");
    }
    void redo() override { store(m_after); }
    void undo() override { store(m_before); }
    bool absorb(const Command& next) override
    {
        const auto* edit = dynamic_cast<const SetPrototypeText*>(&next);
        if (!edit || edit->m_proto != m_proto || edit->m_key != m_key)
            return false;
        m_after = edit->m_after;
        return true;
    }

private:
    QString text() const { return m_key ? templateText(*m_proto, *m_key) : m_proto->path; }
    void store(const QString& text)
    {
        if (m_key)
            m_doc.setPrototypeTemplate(m_proto, *m_key, text);
        else
            m_doc.setPrototypePath(m_proto, text);
    }

    Document& m_doc;
    PrototypePtr m_proto;
    std::optional<TemplateKey> m_key;
    QString m_before;
    QString m_after;
};

class SetPrototypeFolder : public Command
{
public:
    SetPrototypeFolder(Document& doc, PrototypePtr proto, bool isFolder)
        : m_doc(doc), m_proto(std::move(proto)), m_isFolder(isFolder)
    {}
    QString name() const override
    {
        return m_isFolder ? Document::tr("Make Folder") : Document::tr("Make File");
    }
    void redo() override { m_doc.setPrototypeFolder(m_proto, m_isFolder); }
    void undo() override { m_doc.setPrototypeFolder(m_proto, !m_isFolder); }

private:
    Document& m_doc;
    PrototypePtr m_proto;
    bool m_isFolder;
};

bool listed(const Document& doc, const PrototypePtr& proto)
{
    return doc.indexOfPrototype(proto) >= 0;
}

} // namespace

PrototypePtr addPrototype(UndoStack& stack, PrototypeSide side)
{
    PrototypePtr proto = newPrototype(side);
    appendPrototype(stack, proto);
    return proto;
}

bool appendPrototype(UndoStack& stack, const PrototypePtr& proto)
{
    if (!proto || listed(stack.document(), proto))
        return false;
    stack.push(std::make_unique<AddPrototype>(stack.document(), proto));
    return true;
}

bool removePrototype(UndoStack& stack, const PrototypePtr& proto)
{
    if (!listed(stack.document(), proto))
        return false;
    stack.push(std::make_unique<RemovePrototype>(stack.document(), proto));
    return true;
}

bool setPrototypePath(UndoStack& stack, const PrototypePtr& proto, const QString& path)
{
    if (!listed(stack.document(), proto) || proto->path == path)
        return false;
    stack.push(std::make_unique<SetPrototypeText>(stack.document(), proto, std::nullopt, path));
    return true;
}

bool setPrototypeFolder(UndoStack& stack, const PrototypePtr& proto, bool isFolder)
{
    if (!listed(stack.document(), proto) || proto->isFolder == isFolder)
        return false;
    stack.push(std::make_unique<SetPrototypeFolder>(stack.document(), proto, isFolder));
    return true;
}

bool setPrototypeTemplate(UndoStack& stack, const PrototypePtr& proto, TemplateKey key,
                          const QString& text)
{
    if (!listed(stack.document(), proto) || templateText(*proto, key) == text)
        return false;
    stack.push(std::make_unique<SetPrototypeText>(stack.document(), proto, key, text));
    return true;
}

} // namespace quillory::commands
