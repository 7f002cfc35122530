#pragma once

class QWidget;

namespace quillory {

class Document;

// The Import… command: choosing a file with its format and encoding, the settings dialog, and
// the import into the document.
void importIntoDocument(QWidget* window, Document& doc);

} // namespace quillory
