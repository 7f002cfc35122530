#pragma once

#include <QWidget>

namespace quillory {

class Document;

// The preview tab: the generated items and the records, with the expanded name and content of the
// chosen pair.
class PreviewTab : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewTab(Document* doc, QWidget* parent = nullptr);

private:
    Document* m_doc;
};

} // namespace quillory
