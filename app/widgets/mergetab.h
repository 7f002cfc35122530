#pragma once

#include <QWidget>

namespace quillory {

class Document;

// The merge tab: the generated items and the content templates of the selected item's Prototype.
class MergeTab : public QWidget
{
    Q_OBJECT
public:
    explicit MergeTab(Document* doc, QWidget* parent = nullptr);

private:
    Document* m_doc;
};

} // namespace quillory
