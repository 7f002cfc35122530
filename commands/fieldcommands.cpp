#include "commands/fieldcommands.h"

#include "commands/undostack.h"
#include "core/document.h"
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

class RenameField : public Command
{
public:
    RenameField(Document& doc, int index, QString after)
        : m_doc(doc), m_index(index), m_before(doc.keyArray()[size_t(index)].publicKey),
          m_after(std::move(after))
    {}
    QString name() const override { return Document::tr("Rename Field"); }
    void redo() override { m_doc.renameField(m_index, m_after); }
    void undo() override { m_doc.renameField(m_index, m_before); }

private:
    Document& m_doc;
    int m_index;
    QString m_before;
    QString m_after;
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
    Document& doc = stack.document();
    if (!isUserField(doc, index))
        return false;
    const std::optional<QString> trimmed = StringUtils::removeInitialSpaces(name);
    if (!trimmed || trimmed->isEmpty())
        return false;
    if (doc.keyArray()[size_t(index)].publicKey != name)
        stack.push(std::make_unique<RenameField>(doc, index, name));
    return true;
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
