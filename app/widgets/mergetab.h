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
class UndoStack;
class WindowState;

// The merge tab: the generated items, the example name of the chosen one, and the content
// templates of its Prototype (the text of a One per Record file; head, text, separator and
// foot of an All in One file).
class MergeTab : public QWidget
{
    Q_OBJECT
public:
    MergeTab(UndoStack* stack, WindowState* state, QWidget* parent = nullptr);

    QTableView* itemTable() const { return m_items; }
    QLabel* exampleLabel() const { return m_example; }
    QCheckBox* fullPathSwitch() const { return m_fullPath; }
    // The One per Record text editor, then head, text, separator and foot of All in One.
    TemplateEditor* perRecordText() const { return m_perRecordText; }
    const std::array<TemplateEditor*, 4>& allInOneEditors() const { return m_allInOne; }

    // Shows the templates of the merge tab's selected Prototype.
    void showSelectedPrototype();
    // The chosen item, as the window's state holds it, in the table, its example and templates.
    void showSelection();
    // Enables each tag menu while its editor has the keyboard focus.
    void refreshFocusFlags();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showExample();

    const Document* m_doc;
    WindowState* m_state;
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
