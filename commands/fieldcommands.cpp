#include "commands/fieldcommands.h"

#include "commands/undostack.h"
#include "core/document.h"
#include "prototypes/tagrename.h"
#include "prototypes/unknowntags.h"
#include "templates/stringutils.h"

namespace quillory::commands {

namespace {

class AddField : public Command
{
public:
    AddField(Document& doc, FieldKey key) : m_doc(doc), m_key(std::move(key)) {}
    QString name() const override { return Document::tr("Add Field"); }
    void redo() override { m_doc.insertField(int(m_doc.keyArray().size()), m_key); }
    void undo() override { m_doc.removeField(m_doc.indexOfField(m_key.innerKey)); }

private:
    Document& m_doc;
    FieldKey m_key;
};

// A Prototype's path (no key) or one of its templates, before and after a tag rename.
struct TextChange
{
    PrototypePtr proto;
    std::optional<TemplateKey> key;
    QString before;
    QString after;
};

class RenameField : public Command
{
public:
    RenameField(Document& doc, int index, QString after, std::vector<TextChange> texts = {})
        : m_doc(doc), m_index(index), m_before(doc.keyArray()[size_t(index)].publicKey),
          m_after(std::move(after)), m_texts(std::move(texts))
    {}
    QString name() const override { return Document::tr("Rename Field"); }
    void redo() override
    {
        m_doc.renameField(m_index, m_after);
        for (const TextChange& t : m_texts)
            store(t, t.after);
    }
    void undo() override
    {
        for (auto t = m_texts.rbegin(); t != m_texts.rend(); ++t)
            store(*t, t->before);
        m_doc.renameField(m_index, m_before);
    }

private:
    void store(const TextChange& change, const QString& text)
    {
        if (change.key)
            m_doc.setPrototypeTemplate(change.proto, *change.key, text);
        else
            m_doc.setPrototypePath(change.proto, text);
    }

    Document& m_doc;
    int m_index;
    QString m_before;
    QString m_after;
    std::vector<TextChange> m_texts;
};

class DeleteField : public Command
{
public:
    DeleteField(Document& doc, int index) : m_doc(doc), m_index(index) {}
    QString name() const override { return Document::tr("Delete Field"); }
    void redo() override { m_removed = m_doc.removeField(m_index); }
    void undo() override
    {
        m_doc.restoreField(m_removed);
        m_removed = {};
    }

private:
    Document& m_doc;
    int m_index;
    RemovedField m_removed;
};

bool isUserField(const Document& doc, int index)
{
    return index >= kFirstUserKeyIndex && index < int(doc.keyArray().size());
}

} // namespace

QString defaultFieldName(const QString& innerKey)
{
    return QStringLiteral("KEY") + QString::number(innerKey.toLongLong() - 2);
}

QString addField(UndoStack& stack, const QString& name)
{
    Document& doc = stack.document();
    const QString inner = doc.unusedInnerKey();
    const std::optional<QString> given = StringUtils::removeInitialSpaces(name);
    const QString visible = given && !given->isEmpty() ? name : defaultFieldName(inner);
    stack.push(std::make_unique<AddField>(doc, FieldKey{inner, visible}));
    return inner;
}

bool renameField(UndoStack& stack, int index, const QString& name)
{
    return renameField(stack, index, name, RenameTags::Keep);
}

bool renameField(UndoStack& stack, int index, const QString& name, RenameTags tags)
{
    Document& doc = stack.document();
    if (!isUserField(doc, index))
        return false;
    const std::optional<QString> trimmed = StringUtils::removeInitialSpaces(name);
    if (!trimmed || trimmed->isEmpty())
        return false;
    if (doc.keyArray()[size_t(index)].publicKey == name)
        return true;
    std::vector<TextChange> texts;
    const std::optional<TagRenameOffer> offer =
        tags == RenameTags::Also ? tagRenameOffer(stack, index, name) : std::nullopt;
    if (offer) {
        const QStringList known = UnknownTags::knownTags(doc);
        const auto change = [&](const PrototypePtr& p, std::optional<TemplateKey> key) {
            const QString& before = key ? templateText(*p, *key) : p->path;
            const QString after = TagRename::renamed(known, before, offer->from, offer->to);
            if (after != before)
                texts.push_back({p, key, before, after});
        };
        for (const PrototypePtr& p : TagRename::prototypesUsing(doc, offer->from)) {
            change(p, std::nullopt);
            for (TemplateKey key :
                 {TemplateKey::Head, TemplateKey::Text, TemplateKey::Separator, TemplateKey::Foot})
                change(p, key);
        }
    }
    stack.push(std::make_unique<RenameField>(doc, index, name, std::move(texts)));
    return true;
}

std::optional<TagRenameOffer> tagRenameOffer(const UndoStack& stack, int index, const QString& name)
{
    const Document& doc = stack.document();
    const std::optional<QString> trimmed = StringUtils::removeInitialSpaces(name);
    if (!isUserField(doc, index) || !trimmed || trimmed->isEmpty() ||
        doc.keyArray()[size_t(index)].publicKey == name)
        return std::nullopt;
    // Both tags must be the field's own: a tag that a standard tag or an earlier field fills
    // would be filled with other values after the rename.
    const std::optional<QString> tag = TagRename::ownTag(doc, index);
    const std::optional<QString> renamed = TagRename::ownTag(doc, index, name);
    if (!tag || !renamed)
        return std::nullopt;
    const qsizetype count = qsizetype(TagRename::prototypesUsing(doc, *tag).size());
    if (count == 0)
        return std::nullopt;
    return TagRenameOffer{*tag, *renamed, count};
}

bool deleteField(UndoStack& stack, int index)
{
    Document& doc = stack.document();
    if (!isUserField(doc, index))
        return false;
    stack.push(std::make_unique<DeleteField>(doc, index));
    return true;
}

} // namespace quillory::commands
