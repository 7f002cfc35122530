#include "app/widgets/runtab.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quillory {

RunTab::RunTab(Document* doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("Runs are started from quillory-cli for now."), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

} // namespace quillory
