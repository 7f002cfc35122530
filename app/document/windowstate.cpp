#include "app/document/windowstate.h"

#include "core/document.h"
#include "core/tabids.h"
#include "merge/generateditems.h"

#include <algorithm>

namespace quillory {

WindowState::WindowState(const Document& doc, QObject* parent) : QObject(parent), m_doc(doc)
{
    const auto& tabs = TabIds::kMainTabs;
    m_mainTabId = std::find(tabs.begin(), tabs.end(), doc.mainTabId()) != tabs.end()
                      ? doc.mainTabId()
                      : TabIds::kDatabase;
    m_secTabId =
        doc.secTabId() == TabIds::kOnePerRecord ? TabIds::kOnePerRecord : TabIds::kAllInOne;
    for (auto signal : {&Document::prototypeInserted, &Document::prototypeChanged})
        connect(&doc, signal, this, &WindowState::refreshGeneratedItems);
    const auto prototypesLeft = [this] {
        dropUnlistedPrototypes();
        refreshGeneratedItems();
    };
    connect(&doc, &Document::prototypeRemoved, this, prototypesLeft);
    connect(&doc, &Document::prototypesReset, this, prototypesLeft);
    // The tables drop a selection whose record is gone; a reread document starts afresh.
    connect(&doc, &Document::recordsReset, this, [this] {
        for (Record* r : {&m_selectedRecord, &m_allRecordsSelected})
            if (*r && m_doc.indexOfRecord(*r) < 0)
                r->reset();
    });
    refreshGeneratedItems();
}

void WindowState::showMainTab(const QString& id)
{
    const auto& tabs = TabIds::kMainTabs;
    const QString shown =
        std::find(tabs.begin(), tabs.end(), id) != tabs.end() ? id : TabIds::kDatabase;
    if (shown == m_mainTabId)
        return;
    m_mainTabId = shown;
    refreshGeneratedItems();
    emit mainTabChanged();
}

PrototypeSide WindowState::shownSide() const
{
    return m_secTabId == TabIds::kOnePerRecord ? PrototypeSide::OnePerRecord
                                               : PrototypeSide::AllInOne;
}

void WindowState::showSide(PrototypeSide side)
{
    const QString id =
        side == PrototypeSide::OnePerRecord ? TabIds::kOnePerRecord : TabIds::kAllInOne;
    if (id == m_secTabId)
        return;
    m_secTabId = id;
    emit sideChanged();
}

void WindowState::setSearch(const QString& text)
{
    if (text == m_database.search)
        return;
    m_database.search = text;
    emit databaseArrangementChanged();
}

void WindowState::setDatabaseSort(const std::optional<RecordSort>& sort)
{
    if (sort == m_database.sort)
        return;
    m_database.sort = sort;
    emit databaseArrangementChanged();
}

void WindowState::setAllRecordsSort(const std::optional<RecordSort>& sort)
{
    if (sort == m_allRecordsSort)
        return;
    m_allRecordsSort = sort;
    emit allRecordsSortChanged();
}

PrototypePtr WindowState::selectedPrototype(PrototypeSide side) const
{
    return side == PrototypeSide::OnePerRecord ? m_onePerRecordSelected : m_allInOneSelected;
}

void WindowState::selectPrototype(PrototypeSide side, const PrototypePtr& proto)
{
    PrototypePtr& selected =
        side == PrototypeSide::OnePerRecord ? m_onePerRecordSelected : m_allInOneSelected;
    if (selected == proto)
        return;
    selected = proto;
    emit prototypeSelectionChanged(side);
}

void WindowState::selectMergeItem(const std::optional<GeneratedItem>& item)
{
    m_mergeItem = item;
    m_mergePrototype = item ? GeneratedItems::prototypeOf(m_doc, *item) : nullptr;
}

void WindowState::selectPreviewItem(const std::optional<GeneratedItem>& item)
{
    m_previewItem = item;
    m_previewPrototype = item ? GeneratedItems::prototypeOf(m_doc, *item) : nullptr;
}

bool WindowState::showsGeneratedItems() const
{
    return m_mainTabId == TabIds::kMerge || m_mainTabId == TabIds::kPreview ||
           m_mainTabId == TabIds::kRun;
}

void WindowState::refreshGeneratedItems()
{
    if (!showsGeneratedItems())
        return;
    std::vector<GeneratedItem> items = GeneratedItems::of(m_doc);
    // Typing in a template changes a Prototype but rarely its items: the tables stay as they
    // are then.
    if (items == m_items)
        return;
    m_items = std::move(items);
    // A kept item may now stand for another Prototype at the same place: both follow the list.
    selectMergeItem(GeneratedItems::contains(m_items, m_mergeItem) ? m_mergeItem : std::nullopt);
    selectPreviewItem(GeneratedItems::contains(m_items, m_previewItem) ? m_previewItem
                                                                       : std::nullopt);
    emit generatedItemsChanged();
}

void WindowState::dropUnlistedPrototypes()
{
    for (PrototypeSide side : {PrototypeSide::AllInOne, PrototypeSide::OnePerRecord}) {
        const PrototypePtr selected = selectedPrototype(side);
        if (selected && m_doc.indexOfPrototype(selected) < 0)
            selectPrototype(side, nullptr);
    }
    for (PrototypePtr* shown : {&m_mergePrototype, &m_previewPrototype})
        if (*shown && m_doc.indexOfPrototype(*shown) < 0)
            shown->reset();
}

} // namespace quillory
