#include "app/widgets/prototypetab.h"

#include "app/widgets/prototypesidepanel.h"
#include "core/document.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace quillory {

namespace {

const QString kOne = QStringLiteral("one");
const QString kMulti = QStringLiteral("multi");

} // namespace

PrototypeTab::PrototypeTab(Document* doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    m_sides = new QTabWidget(this);
    m_allInOne = new PrototypeSidePanel(doc, PrototypeSide::AllInOne, m_sides);
    m_onePerRecord = new PrototypeSidePanel(doc, PrototypeSide::OnePerRecord, m_sides);
    m_sides->addTab(m_allInOne, tr("All in One"));
    m_sides->addTab(m_onePerRecord, tr("One per Record"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sides);

    showSecTab();
    connect(m_sides, &QTabWidget::currentChanged, this, [this](int index) {
        // Following the document's own change must not bring the tab forward.
        if (m_doc->secTabId() == (index == 0 ? kOne : kMulti))
            return;
        if (index == 0)
            m_doc->switchSecTabToFilePrototypeOne();
        else
            m_doc->switchSecTabToFilePrototypeMulti();
    });
    for (PrototypeSidePanel* side : {m_allInOne, m_onePerRecord})
        connect(side, &PrototypeSidePanel::selectionChanged, this, &PrototypeTab::selectionChanged);
}

void PrototypeTab::showSecTab()
{
    const int index = m_doc->secTabId() == kMulti ? 1 : 0;
    if (m_sides->currentIndex() != index)
        m_sides->setCurrentIndex(index);
}

} // namespace quillory
