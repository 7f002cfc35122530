#pragma once

#include "core/generateditem.h"
#include "core/prototype.h"
#include "core/record.h"
#include "core/recordarrangement.h"
#include "merge/runlogtext.h"
#include "prototypes/prototypeside.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace quillory {

class Document;

// What one document window shows and the document does not keep: the tab on show, the
// selections, the search and sorts of its record tables, the items a run would make, the
// full-path switches and the run log. Nothing here is saved except the tabs, which the window
// hands to the document right before a save.
class WindowState : public QObject
{
    Q_OBJECT
public:
    // The names shown with or without the destination folder in front.
    enum class ShownPath { AllInOneExample, OnePerRecordExample, MergeExample, PreviewName };

    // Starts on the tabs the document was saved on.
    explicit WindowState(const Document& doc, QObject* parent = nullptr);

    // ---- Tabs (core/tabids.h) ----------------------------------------------------------
    const QString& mainTabId() const { return m_mainTabId; }
    // An unknown id shows the database tab.
    void showMainTab(const QString& id);
    const QString& secTabId() const { return m_secTabId; }
    PrototypeSide shownSide() const;
    void showSide(PrototypeSide side);

    // ---- The database tab ---------------------------------------------------------------
    // The field selected in the field table (a position in keyArray), -1 for none.
    int selectedFieldIndex() const { return m_selectedField; }
    void setSelectedFieldIndex(int index) { m_selectedField = index; }
    const RecordArrangement& databaseArrangement() const { return m_database; }
    void setSearch(const QString& text);
    void setDatabaseSort(const std::optional<RecordSort>& sort);
    Record selectedRecord() const { return m_selectedRecord; }
    void setSelectedRecord(const Record& r) { m_selectedRecord = r; }

    // ---- The tables of every record (files and preview tabs) ----------------------------
    RecordArrangement allRecordsArrangement() const { return {QString(), m_allRecordsSort}; }
    void setAllRecordsSort(const std::optional<RecordSort>& sort);
    Record allRecordsSelectedRecord() const { return m_allRecordsSelected; }
    void setAllRecordsSelectedRecord(const Record& r) { m_allRecordsSelected = r; }

    // ---- Prototypes and generated items -------------------------------------------------
    PrototypePtr selectedPrototype(PrototypeSide side) const;
    void selectPrototype(PrototypeSide side, const PrototypePtr& proto);
    // The items a run would make, as last worked out (see refreshGeneratedItems).
    const std::vector<GeneratedItem>& generatedItems() const { return m_items; }
    // The item chosen in the merge / preview table and the Prototype it was unfolded from.
    const std::optional<GeneratedItem>& mergeItem() const { return m_mergeItem; }
    PrototypePtr mergePrototype() const { return m_mergePrototype; }
    void selectMergeItem(const std::optional<GeneratedItem>& item);
    const std::optional<GeneratedItem>& previewItem() const { return m_previewItem; }
    PrototypePtr previewPrototype() const { return m_previewPrototype; }
    void selectPreviewItem(const std::optional<GeneratedItem>& item);

    bool fullPath(ShownPath which) const { return m_fullPath[size_t(which)]; }
    void setFullPath(ShownPath which, bool on) { m_fullPath[size_t(which)] = on; }

    RunLogText& runLog() { return m_runLog; }

    // The counter-format user defaults changed: every counter and name on show reads anew.
    void restyleCounters() { emit countersRestyled(); }

signals:
    void mainTabChanged();
    void sideChanged();
    void databaseArrangementChanged();
    void allRecordsSortChanged();
    void prototypeSelectionChanged(quillory::PrototypeSide side);
    // The items list changed; selections that named a dropped item are gone.
    void generatedItemsChanged();
    void countersRestyled();

private:
    // Works the items out again while a tab that shows or uses them is on show; a selection
    // whose item is no longer listed is dropped.
    void refreshGeneratedItems();
    bool showsGeneratedItems() const;
    // A removed Prototype is selected nowhere.
    void dropUnlistedPrototypes();

    const Document& m_doc;
    QString m_mainTabId;
    QString m_secTabId;
    int m_selectedField = -1;
    RecordArrangement m_database;
    Record m_selectedRecord;
    std::optional<RecordSort> m_allRecordsSort;
    Record m_allRecordsSelected;
    PrototypePtr m_allInOneSelected;
    PrototypePtr m_onePerRecordSelected;
    std::vector<GeneratedItem> m_items;
    std::optional<GeneratedItem> m_mergeItem;
    PrototypePtr m_mergePrototype;
    std::optional<GeneratedItem> m_previewItem;
    PrototypePtr m_previewPrototype;
    std::array<bool, 4> m_fullPath{};
    RunLogText m_runLog;
};

} // namespace quillory
