#include "app/widgets/prototypetab.h"

#include "app/document/windowstate.h"
#include "app/widgets/prototypesidepanel.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace quillory {

PrototypeTab::PrototypeTab(UndoStack* stack, WindowState* state, QWidget* parent)
    : QWidget(parent), m_state(state)
{
    m_sides = new QTabWidget(this);
    m_allInOne = new PrototypeSidePanel(stack, state, PrototypeSide::AllInOne, m_sides);
    m_onePerRecord = new PrototypeSidePanel(stack, state, PrototypeSide::OnePerRecord, m_sides);
    m_sides->addTab(m_allInOne, tr("All in One"));
    m_sides->addTab(m_onePerRecord, tr("One per Record"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sides);

    showSide();
    connect(m_sides, &QTabWidget::currentChanged, this, [this](int index) {
        m_state->showSide(index == 1 ? PrototypeSide::OnePerRecord : PrototypeSide::AllInOne);
    });
    connect(state, &WindowState::sideChanged, this, &PrototypeTab::showSide);
    for (PrototypeSidePanel* side : {m_allInOne, m_onePerRecord})
        connect(side, &PrototypeSidePanel::selectionChanged, this, &PrototypeTab::selectionChanged);
}

void PrototypeTab::showSide()
{
    const int index = m_state->shownSide() == PrototypeSide::OnePerRecord ? 1 : 0;
    if (m_sides->currentIndex() != index)
        m_sides->setCurrentIndex(index);
}

} // namespace quillory
