#pragma once

#include <QObject>

#include <array>

class QAction;

namespace quillory {

// The commands of one document window, as actions: the menus and the tabs' buttons share
// them, so a command's enabled state and check mark are the same wherever it is offered.
struct DocumentActions
{
    QAction* newDocument = nullptr;
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* saveAs = nullptr;
    QAction* revert = nullptr;
    QAction* close = nullptr;
    QAction* quit = nullptr;
    QAction* import = nullptr;
    QAction* exportRecords = nullptr;
    // The Run tab's Run button: shows the tab and starts a run.
    QAction* run = nullptr;
    // The Run tab's other buttons.
    QAction* cancelRun = nullptr;
    QAction* chooseDestination = nullptr;
    QAction* showDestination = nullptr;
    QAction* clearLog = nullptr;

    QAction* undo = nullptr;
    QAction* redo = nullptr;
    QAction* find = nullptr;

    QAction* addField = nullptr;
    QAction* deleteField = nullptr;
    QAction* addRecord = nullptr;
    QAction* deleteRecord = nullptr;
    QAction* checkAll = nullptr;
    QAction* uncheckAll = nullptr;
    QAction* invertChecks = nullptr;
    QAction* deleteChecked = nullptr;
    QAction* renumber = nullptr;
    // Makes the database table's sort the stored order.
    QAction* sortRecords = nullptr;

    QAction* addPrototype = nullptr;
    QAction* removePrototype = nullptr;

    // The five main tabs in the order of TabIds::kMainTabs, then the two sub-tabs of the
    // Prototype tab (All in One, One per Record).
    std::array<QAction*, 5> mainTabs{};
    std::array<QAction*, 2> prototypeSides{};
    // The full-path switch of the tab shown (a Prototype side's, the merge tab's, the preview's,
    // the destination's); disabled on the database tab, which has none.
    QAction* fullPath = nullptr;
};

} // namespace quillory
