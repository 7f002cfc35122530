#pragma once

#include "prototypes/prototypecommands.h"

#include <QString>

#include <optional>

namespace quillory {

class Document;

// What a text editor holds: its whole text and its selected range (an empty range is the
// cursor). Positions count UTF-16 code units, as Qt's editors do.
struct EditorState
{
    QString text;
    qsizetype selectionStart = 0;
    qsizetype selectionLength = 0;
    bool operator==(const EditorState&) const = default;
};

// Inserts a tag picked from a tag menu into a name field or a template view and stores the
// editor's new text in the Prototype being edited.
class TagInsertion
{
public:
    // Replaces the selected range with tag and puts the cursor after it. A range lying partly
    // or wholly outside the text is clamped to it first.
    static EditorState replaceSelection(const EditorState& editor, const QString& tag);

    // A side's name field: editor is none when the field is not being edited, and then
    // nothing happens. The new text becomes the side's selected Prototype's path.
    static std::optional<EditorState> insertIntoName(Document& doc, PrototypeSide side,
                                                     const std::optional<EditorState>& editor,
                                                     const QString& tag);
    // A template view of the merge tab: the new text is stored in that template of the merge
    // tab's selected Prototype, if any.
    static EditorState insertIntoTemplate(Document& doc, TemplateKey key, const EditorState& editor,
                                          const QString& tag);
};

} // namespace quillory
