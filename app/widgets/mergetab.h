#pragma once

#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QStackedWidget;
class QTableView;

namespace quillory {

class Document;
class GeneratedItemsModel;
class TemplateEditor;

// The merge tab: the generated items, the example name of the chosen one, and the content
// templates of its Prototype (the text of a One per Record file; head, text, separator and
// foot of an All in One file).
class MergeTab : public QWidget
{
    Q_OBJECT
public:
    explicit MergeTab(Document* doc, QWidget* parent = nullptr);

    QTableView* itemTable() const { return m_items; }
    QLabel* exampleLabel() const { return m_example; }
    QCheckBox* fullPathSwitch() const { return m_fullPath; }
    // The One per Record text editor, then head, text, separator and foot of All in One.
    TemplateEditor* perRecordText() const { return m_perRecordText; }
    const std::array<TemplateEditor*, 4>& allInOneEditors() const { return m_allInOne; }

    // Shows the templates of the merge tab's selected Prototype.
    void showSelectedPrototype();
    // Enables each tag menu while its editor has the keyboard focus.
    void refreshFocusFlags();

private:
    void showExample();

    Document* m_doc;
    GeneratedItemsModel* m_model;
    QTableView* m_items;
    QLabel* m_example;
    QCheckBox* m_fullPath;
    QStackedWidget* m_pages;
    QLabel* m_noContent;
    TemplateEditor* m_perRecordText;
    std::array<TemplateEditor*, 4> m_allInOne{};
};

} // namespace quillory
