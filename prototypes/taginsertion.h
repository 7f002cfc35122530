#pragma once

#include <QString>

namespace quillory {

// What a text editor holds: its whole text and its selected range (an empty range is the
// cursor). Positions count UTF-16 code units, as Qt's editors do.
struct EditorState
{
    QString text;
    qsizetype selectionStart = 0;
    qsizetype selectionLength = 0;
    bool operator==(const EditorState&) const = default;
};

// Inserts a tag picked from a tag menu into a name field or a template editor; the window
// stores the new text through the Prototype commands.
class TagInsertion
{
public:
    // Replaces the selected range with tag and puts the cursor after it. A range lying partly
    // or wholly outside the text is clamped to it first.
    static EditorState replaceSelection(const EditorState& editor, const QString& tag);
};

} // namespace quillory
