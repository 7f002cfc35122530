#include "app/widgets/celleditdelegate.h"

#include "commands/undostack.h"

namespace quillory {

CellEditDelegate::CellEditDelegate(UndoStack& stack, QObject* parent)
    : QStyledItemDelegate(parent), m_stack(stack)
{}

void CellEditDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    // The view has committed the editor's text by now.
    m_stack.closeTyping();
    QStyledItemDelegate::destroyEditor(editor, index);
}

} // namespace quillory
