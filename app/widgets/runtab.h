#pragma once

#include <QWidget>

namespace quillory {

class Document;

// The run tab: the destination, the run with its progress, and the run log.
class RunTab : public QWidget
{
    Q_OBJECT
public:
    explicit RunTab(Document* doc, QWidget* parent = nullptr);

private:
    Document* m_doc;
};

} // namespace quillory
