#pragma once

#include "prototypes/prototypeside.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;
class QToolButton;

namespace quillory {

class Document;
class PrototypeListModel;
class RecordTableModel;
class UndoStack;
class WindowState;

// One side of the Prototype tab: its Prototype table with add and remove, the name field of
// the selected Prototype with its tag menu, and the example name with its full-path switch.
// The One per Record side also lists the records, whose selection feeds its example.
class PrototypeSidePanel : public QWidget
{
    Q_OBJECT
public:
    PrototypeSidePanel(UndoStack* stack, WindowState* state, PrototypeSide side,
                       QWidget* parent = nullptr);

    QTableView* prototypeTable() const { return m_table; }
    QLineEdit* nameField() const { return m_name; }
    QToolButton* tagButton() const { return m_tags; }
    QToolButton* addButton() const { return m_add; }
    QToolButton* removeButton() const { return m_remove; }
    QLabel* exampleLabel() const { return m_example; }
    QCheckBox* fullPathSwitch() const { return m_fullPath; }
    QTableView* recordTable() const { return m_records; }

    // Shows the side's selected Prototype in the table and the name field, and its example.
    void showSelection();
    // Enables the tag menu while the name field has the keyboard focus.
    void refreshFocusFlag();

signals:
    void selectionChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildTagMenu();
    void insertTag(const QString& tag);
    void showExample();
    // The record the example is made with, as the record table shows it.
    void showExampleRecord();

    UndoStack* m_stack;
    const Document* m_doc;
    WindowState* m_state;
    PrototypeSide m_side;
    PrototypeListModel* m_model;
    RecordTableModel* m_recordModel = nullptr;
    QTableView* m_table;
    QTableView* m_records = nullptr;
    QLineEdit* m_name;
    QToolButton* m_tags;
    QToolButton* m_add;
    QToolButton* m_remove;
    QLabel* m_example;
    QCheckBox* m_fullPath;
};

} // namespace quillory
