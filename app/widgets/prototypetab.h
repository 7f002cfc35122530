#pragma once

#include <QWidget>

class QTabWidget;

namespace quillory {

class PrototypeSidePanel;
class UndoStack;
class WindowState;

// The files-and-folders tab: the All in One ("one") and One per Record ("multi") sub-tabs,
// showing the side the window's state names.
class PrototypeTab : public QWidget
{
    Q_OBJECT
public:
    PrototypeTab(UndoStack* stack, WindowState* state, QWidget* parent = nullptr);

    QTabWidget* sides() const { return m_sides; }
    PrototypeSidePanel* allInOne() const { return m_allInOne; }
    PrototypeSidePanel* onePerRecord() const { return m_onePerRecord; }

signals:
    void selectionChanged();

private:
    void showSide();

    WindowState* m_state;
    QTabWidget* m_sides;
    PrototypeSidePanel* m_allInOne;
    PrototypeSidePanel* m_onePerRecord;
};

} // namespace quillory
