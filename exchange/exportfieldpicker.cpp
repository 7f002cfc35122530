#include "exchange/exportfieldpicker.h"

#include "core/document.h"

namespace quillory {

namespace {

std::set<int> inRange(std::set<int> indices, std::size_t size)
{
    std::erase_if(indices, [size](int i) { return i < 0 || std::size_t(i) >= size; });
    return indices;
}

// Takes the selected entries out of from (in list order) and appends them to to; returns the
// indices they now have in to.
std::set<int> moveSelected(std::vector<FieldKey>& from, const std::set<int>& selected,
                           std::vector<FieldKey>& to)
{
    std::set<int> arrived;
    for (int i : selected) {
        arrived.insert(int(to.size()));
        to.push_back(from[std::size_t(i)]);
    }
    // Erase from the end so that earlier removals do not shift later ones.
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        from.erase(from.begin() + *it);
    return arrived;
}

std::set<int> allIndices(std::size_t size)
{
    std::set<int> all;
    for (std::size_t i = 0; i < size; ++i)
        all.insert(int(i));
    return all;
}

} // namespace

ExportFieldPicker::ExportFieldPicker(std::vector<FieldKey> keys) : m_leftKeyArray(std::move(keys))
{}

ExportFieldPicker ExportFieldPicker::forDocument(const Document& doc)
{
    const std::vector<FieldKey>& keys = doc.keyArray();
    std::vector<FieldKey> userKeys;
    if (keys.size() > std::size_t(kFirstUserKeyIndex))
        userKeys.assign(keys.begin() + kFirstUserKeyIndex, keys.end());
    return ExportFieldPicker(std::move(userKeys));
}

void ExportFieldPicker::setLeftSelection(std::set<int> indices)
{
    m_leftSelection = inRange(std::move(indices), m_leftKeyArray.size());
}

void ExportFieldPicker::setRightSelection(std::set<int> indices)
{
    m_rightSelection = inRange(std::move(indices), m_rightKeyArray.size());
}

void ExportFieldPicker::addSelectedToRight()
{
    if (m_leftSelection.empty())
        return;
    m_rightSelection = moveSelected(m_leftKeyArray, m_leftSelection, m_rightKeyArray);
    m_leftSelection.clear();
}

void ExportFieldPicker::addAllToRight()
{
    m_rightSelection =
        moveSelected(m_leftKeyArray, allIndices(m_leftKeyArray.size()), m_rightKeyArray);
    m_leftSelection.clear();
}

void ExportFieldPicker::removeSelectedFromRight()
{
    if (m_rightSelection.empty())
        return;
    m_leftSelection = moveSelected(m_rightKeyArray, m_rightSelection, m_leftKeyArray);
    m_rightSelection.clear();
}

void ExportFieldPicker::removeAllFromRight()
{
    m_leftSelection =
        moveSelected(m_rightKeyArray, allIndices(m_rightKeyArray.size()), m_leftKeyArray);
    m_rightSelection.clear();
}

void ExportFieldPicker::moveUp()
{
    if (m_rightSelection.empty())
        return;
    const int first = *m_rightSelection.begin();
    const int last = *m_rightSelection.rbegin();
    if (first < 1)
        return;
    const FieldKey moved = m_rightKeyArray[std::size_t(last)];
    m_rightKeyArray.erase(m_rightKeyArray.begin() + last);
    m_rightKeyArray.insert(m_rightKeyArray.begin() + (first - 1), moved);
    m_rightSelection = {first - 1};
}

void ExportFieldPicker::moveDown()
{
    if (m_rightSelection.empty())
        return;
    const int first = *m_rightSelection.begin();
    const int last = *m_rightSelection.rbegin();
    if (std::size_t(first) + 1 >= m_rightKeyArray.size())
        return;
    const FieldKey moved = m_rightKeyArray[std::size_t(last)];
    m_rightKeyArray.erase(m_rightKeyArray.begin() + last);
    // last >= first, so after the removal first + 1 is still within the list or its end.
    m_rightKeyArray.insert(m_rightKeyArray.begin() + (first + 1), moved);
    m_rightSelection = {first + 1};
}

} // namespace quillory
