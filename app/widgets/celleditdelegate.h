#pragma once

#include <QStyledItemDelegate>

namespace quillory {

class UndoStack;

// The item delegate of an editable table of the window: when a cell editor closes, however it
// closes, what was typed in it ends as one undo step, so that editing the same cell again
// starts a step of its own.
class CellEditDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    CellEditDelegate(UndoStack& stack, QObject* parent = nullptr);

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

private:
    UndoStack& m_stack;
};

} // namespace quillory
