#pragma once

#include <QObject>

class QAction;
class QWidget;

namespace quillory {

// Watches text fields whose every keystroke is already a document edit (the Prototype names
// and templates): their own undo would change the text behind the document's back, so the undo
// and redo keys pressed in them go to the window's Undo and Redo instead.
class UndoKeyForwarder : public QObject
{
    Q_OBJECT
public:
    UndoKeyForwarder(QAction* undo, QAction* redo, QObject* parent = nullptr);
    void watch(QWidget* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* m_undo;
    QAction* m_redo;
};

} // namespace quillory
