#include "prototypes/taginsertion.h"

#include <algorithm>

namespace quillory {

EditorState TagInsertion::replaceSelection(const EditorState& editor, const QString& tag)
{
    const QString& text = editor.text;
    const qsizetype size = text.size();
    const qsizetype rawStart = editor.selectionStart;
    const qsizetype length = std::max<qsizetype>(editor.selectionLength, 0);
    qsizetype start = std::clamp<qsizetype>(rawStart, 0, size);
    // The range is cut to the text: a part before it is dropped, not shifted into it. The
    // sums are arranged so that huge values cannot overflow.
    qsizetype end = rawStart < 0 ? std::clamp<qsizetype>(rawStart + length, 0, size)
                                 : start + std::min<qsizetype>(length, size - start);
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
    EditorState result;
    result.text = editor.text;
    result.text.replace(start, end - start, tag);
    result.selectionStart = start + tag.size();
    result.selectionLength = 0;
    return result;
}

} // namespace quillory
