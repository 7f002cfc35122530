#pragma once

#include <QWidget>

class QTabWidget;

namespace quillory {

class Document;
class PrototypeSidePanel;

// The files-and-folders tab: the All in One ("one") and One per Record ("multi") sub-tabs,
// tied to the document's secTabId.
class PrototypeTab : public QWidget
{
    Q_OBJECT
public:
    explicit PrototypeTab(Document* doc, QWidget* parent = nullptr);

    QTabWidget* sides() const { return m_sides; }
    PrototypeSidePanel* allInOne() const { return m_allInOne; }
    PrototypeSidePanel* onePerRecord() const { return m_onePerRecord; }

    // Follows the document's secTabId.
    void showSecTab();

signals:
    void selectionChanged();

private:
    Document* m_doc;
    QTabWidget* m_sides;
    PrototypeSidePanel* m_allInOne;
    PrototypeSidePanel* m_onePerRecord;
};

} // namespace quillory
