#include "commands/undostack.h"

#include "core/document.h"

namespace quillory {

UndoStack::UndoStack(Document& doc, QObject* parent) : QObject(parent), m_doc(doc) {}

UndoStack::~UndoStack() = default;

void UndoStack::push(std::unique_ptr<Command> command)
{
    // A command that a step's undo or redo would push (a view reacting to the change) must
    // not become a step of its own.
    if (!command || m_busy)
        return;
    m_busy = true;
    command->redo();
    m_busy = false;
    if (m_typingOpen && m_done == m_steps.size() && m_done > 0 &&
        m_steps[m_done - 1]->absorb(*command)) {
        emit changed();
        return;
    }
    m_steps.resize(m_done);
    m_steps.push_back(std::move(command));
    m_done = m_steps.size();
    m_typingOpen = true;
    emit changed();
}

QString UndoStack::undoName() const
{
    return canUndo() ? m_steps[m_done - 1]->name() : QString();
}

QString UndoStack::redoName() const
{
    return canRedo() ? m_steps[m_done]->name() : QString();
}

void UndoStack::undo()
{
    if (!canUndo() || m_busy)
        return;
    m_typingOpen = false;
    m_busy = true;
    m_steps[--m_done]->undo();
    m_busy = false;
    emit changed();
}

void UndoStack::redo()
{
    if (!canRedo() || m_busy)
        return;
    m_typingOpen = false;
    m_busy = true;
    m_steps[m_done++]->redo();
    m_busy = false;
    emit changed();
}

void UndoStack::clear()
{
    m_steps.clear();
    m_done = 0;
    m_typingOpen = false;
    emit changed();
}

} // namespace quillory
