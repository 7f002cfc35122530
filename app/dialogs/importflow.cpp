#include "app/dialogs/importflow.h"

namespace quillory {

void importIntoDocument(QWidget*, Document&) {}

} // namespace quillory
