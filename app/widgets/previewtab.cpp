#include "app/widgets/previewtab.h"

namespace quillory {

PreviewTab::PreviewTab(Document* doc, QWidget* parent) : QWidget(parent), m_doc(doc) {}

} // namespace quillory
