#include "core/undomanager.h"

namespace quillory {

std::vector<UndoManager::Step>& UndoManager::targetStack()
{
    return m_state == State::Undoing ? m_redo : m_undo;
}

void UndoManager::registerUndo(std::function<void()> inverse)
{
    if (m_state == State::Normal)
        m_redo.clear();
    auto& stack = targetStack();
    stack.push_back({std::move(inverse), QString()});
    m_lastRegistered = &stack.back();
}

void UndoManager::setActionName(const QString& name)
{
    if (m_lastRegistered)
        m_lastRegistered->name = name;
}

QString UndoManager::undoActionName() const
{
    return m_undo.empty() ? QString() : m_undo.back().name;
}

QString UndoManager::redoActionName() const
{
    return m_redo.empty() ? QString() : m_redo.back().name;
}

void UndoManager::perform(std::vector<Step>& from, State state)
{
    if (from.empty() || m_state != State::Normal)
        return;
    Step step = std::move(from.back());
    from.pop_back();
    m_lastRegistered = nullptr;
    m_state = state;
    step.action();
    m_state = State::Normal;
    m_lastRegistered = nullptr;
}

void UndoManager::undo()
{
    perform(m_undo, State::Undoing);
}

void UndoManager::redo()
{
    perform(m_redo, State::Redoing);
}

void UndoManager::removeAllActions()
{
    m_undo.clear();
    m_redo.clear();
    m_lastRegistered = nullptr;
}

} // namespace quillory
