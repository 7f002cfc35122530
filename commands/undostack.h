#pragma once

#include "commands/command.h"

#include <QObject>

#include <memory>
#include <vector>

namespace quillory {

class Document;

// A document's undo history: the commands done on it, in order. Undoing one step and redoing
// it are exact inverses, so the history stays correct whatever the steps are.
class UndoStack : public QObject
{
    Q_OBJECT
public:
    explicit UndoStack(Document& doc, QObject* parent = nullptr);
    ~UndoStack() override;

    Document& document() const { return m_doc; }

    // Does command and keeps it as the newest step; the steps undone before are dropped.
    // While typing is open, a command that continues the newest step joins it.
    void push(std::unique_ptr<Command> command);
    // Typing ends (the editor closed): the next edit starts a step of its own.
    void closeTyping() { m_typingOpen = false; }

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    QString undoName() const;
    QString redoName() const;
    void undo();
    void redo();
    // Forgets every step (the document was read again).
    void clear();
    size_t count() const { return m_steps.size(); }

signals:
    // A step was pushed, undone or redone, or the history was cleared.
    void changed();

private:
    Document& m_doc;
    std::vector<std::unique_ptr<Command>> m_steps;
    // Steps [0, m_done) are done; the rest were undone and can be redone.
    size_t m_done = 0;
    bool m_typingOpen = false;
    bool m_busy = false;
};

} // namespace quillory
