#include "app/dialogs/exportflow.h"

namespace quillory {

void exportDocument(QWidget*, const Document&, const QString&) {}

} // namespace quillory
