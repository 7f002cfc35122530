#include "app/widgets/mergetab.h"

namespace quillory {

MergeTab::MergeTab(Document* doc, QWidget* parent) : QWidget(parent), m_doc(doc) {}

} // namespace quillory
