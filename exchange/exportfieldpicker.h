#pragma once

#include "core/fieldkey.h"

#include <set>
#include <vector>

namespace quillory {

class Document;

// The field lists of the export dialog: the fields left out (left) and the fields to export
// in their order (right), with the selections the move commands work on.
class ExportFieldPicker
{
public:
    // keys: the user fields, all starting on the left.
    explicit ExportFieldPicker(std::vector<FieldKey> keys);
    static ExportFieldPicker forDocument(const Document& doc);

    const std::vector<FieldKey>& leftKeyArray() const { return m_leftKeyArray; }
    const std::vector<FieldKey>& rightKeyArray() const { return m_rightKeyArray; }

    // Selections as indices into each list; indices outside the list are dropped.
    const std::set<int>& leftSelection() const { return m_leftSelection; }
    void setLeftSelection(std::set<int> indices);
    const std::set<int>& rightSelection() const { return m_rightSelection; }
    void setRightSelection(std::set<int> indices);

    // The moved fields become the selection of the list they arrive in; the list they leave
    // is left with no selection. moveUp and moveDown select the moved field.
    void addSelectedToRight();
    void addAllToRight();
    void removeSelectedFromRight();
    void removeAllFromRight();
    void moveUp();
    void moveDown();

private:
    std::vector<FieldKey> m_leftKeyArray;
    std::vector<FieldKey> m_rightKeyArray;
    std::set<int> m_leftSelection;
    std::set<int> m_rightSelection;
};

} // namespace quillory
