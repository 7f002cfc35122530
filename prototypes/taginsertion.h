#pragma once

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

    // Name fields: editor is none when the field is not being edited, and then nothing
    // changes. Otherwise the new text becomes the path of the side's selected Prototype and
    // that side's example name is recomputed.
    static std::optional<EditorState>
    nameOfUniqueFileTagInsert(Document& doc, const std::optional<EditorState>& editor,
                              const QString& tag);
    static std::optional<EditorState>
    nameOfMultiFileTagInsert(Document& doc, const std::optional<EditorState>& editor,
                             const QString& tag);

    // Template views of the merge tab: the new text is stored under the view's key of the
    // merge tab's selected Prototype; with none selected only the view changes.
    static EditorState mergeTextViewTagInsert(Document& doc, const EditorState& editor,
                                              const QString& tag);
    static EditorState mergeHeadViewTagInsert(Document& doc, const EditorState& editor,
                                              const QString& tag);
    static EditorState mergeTextOneViewTagInsert(Document& doc, const EditorState& editor,
                                                 const QString& tag);
    static EditorState mergeSeparatorViewTagInsert(Document& doc, const EditorState& editor,
                                                   const QString& tag);
    static EditorState mergeFootViewTagInsert(Document& doc, const EditorState& editor,
                                              const QString& tag);
};

} // namespace quillory
