#include "prototypes/taginsertion.h"

#include "core/document.h"
#include "prototypes/examplename.h"
#include "prototypes/prototypecommands.h"

#include <algorithm>

namespace quillory {

namespace {

EditorState insertIntoTemplate(Document& doc, const EditorState& editor, const QString& tag,
                               TemplateKey key)
{
    EditorState result = TagInsertion::replaceSelection(editor, tag);
    PrototypeCommands::setTemplate(doc, doc.mergeSelectedPrototype(), key, result.text);
    return result;
}

} // namespace

EditorState TagInsertion::replaceSelection(const EditorState& editor, const QString& tag)
{
    const QString& text = editor.text;
    const qsizetype size = text.size();
    qsizetype start = std::clamp<qsizetype>(editor.selectionStart, 0, size);
    // Compared against the room left rather than summed, so huge lengths cannot overflow.
    qsizetype end = start + std::clamp<qsizetype>(editor.selectionLength, 0, size - start);
    // Never split a surrogate pair: the stored text would no longer be valid.
    const auto insidePair = [&text, size](qsizetype pos) {
        return pos > 0 && pos < size && text.at(pos).isLowSurrogate() &&
               text.at(pos - 1).isHighSurrogate();
    };
    const bool isCursor = start == end;
    if (insidePair(start))
        --start;
    if (isCursor)
        end = start;
    else if (insidePair(end))
        ++end;
    const qsizetype length = end - start;
    EditorState result;
    result.text = editor.text;
    result.text.replace(start, length, tag);
    result.selectionStart = start + tag.size();
    result.selectionLength = 0;
    return result;
}

std::optional<EditorState>
TagInsertion::nameOfUniqueFileTagInsert(Document& doc, const std::optional<EditorState>& editor,
                                        const QString& tag)
{
    if (!editor)
        return std::nullopt;
    EditorState result = replaceSelection(*editor, tag);
    PrototypeCommands::setPath(doc, doc.oneSelectedPrototype(), result.text);
    ExampleName::recalcOneNameOfFile(doc);
    return result;
}

std::optional<EditorState>
TagInsertion::nameOfMultiFileTagInsert(Document& doc, const std::optional<EditorState>& editor,
                                       const QString& tag)
{
    if (!editor)
        return std::nullopt;
    EditorState result = replaceSelection(*editor, tag);
    PrototypeCommands::setPath(doc, doc.multiSelectedPrototype(), result.text);
    ExampleName::recalcMultiNameOfFile(doc);
    return result;
}

EditorState TagInsertion::mergeTextViewTagInsert(Document& doc, const EditorState& editor,
                                                 const QString& tag)
{
    return insertIntoTemplate(doc, editor, tag, TemplateKey::Text);
}

EditorState TagInsertion::mergeHeadViewTagInsert(Document& doc, const EditorState& editor,
                                                 const QString& tag)
{
    return insertIntoTemplate(doc, editor, tag, TemplateKey::Head);
}

EditorState TagInsertion::mergeTextOneViewTagInsert(Document& doc, const EditorState& editor,
                                                    const QString& tag)
{
    return insertIntoTemplate(doc, editor, tag, TemplateKey::Text);
}

EditorState TagInsertion::mergeSeparatorViewTagInsert(Document& doc, const EditorState& editor,
                                                      const QString& tag)
{
    return insertIntoTemplate(doc, editor, tag, TemplateKey::Separator);
}

EditorState TagInsertion::mergeFootViewTagInsert(Document& doc, const EditorState& editor,
                                                 const QString& tag)
{
    return insertIntoTemplate(doc, editor, tag, TemplateKey::Foot);
}

} // namespace quillory
