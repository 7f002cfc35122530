#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace quillory {

// Keeps a document's undo history. An operation registers its inverse with an action name;
// what is registered while undoing becomes the redo, and a new user action clears the redo.
class UndoManager
{
public:
    // Registers the inverse of the operation being performed, as one undo step.
    void registerUndo(std::function<void()> inverse);
    // Names the step registered last ("Add Record", "Delete Path", ...).
    void setActionName(const QString& name);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    QString undoActionName() const;
    QString redoActionName() const;
    void undo();
    void redo();
    bool isUndoing() const { return m_state == State::Undoing; }
    bool isRedoing() const { return m_state == State::Redoing; }
    void removeAllActions();

private:
    struct Step
    {
        std::function<void()> action;
        QString name;
    };
    enum class State { Normal, Undoing, Redoing };
    std::vector<Step>& targetStack();
    void perform(std::vector<Step>& from, State state);

    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    State m_state = State::Normal;
    Step* m_lastRegistered = nullptr;
};

} // namespace quillory
