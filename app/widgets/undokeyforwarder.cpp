#include "app/widgets/undokeyforwarder.h"

#include <QAction>
#include <QKeyEvent>
#include <QWidget>

namespace quillory {

namespace {

bool isShortcutOf(const QAction* action, const QKeyEvent* key)
{
    const QKeySequence pressed(key->keyCombination());
    for (const QKeySequence& shortcut : action->shortcuts())
        if (shortcut == pressed)
            return true;
    return false;
}

} // namespace

UndoKeyForwarder::UndoKeyForwarder(QAction* undo, QAction* redo, QObject* parent)
    : QObject(parent), m_undo(undo), m_redo(redo)
{}

void UndoKeyForwarder::watch(QWidget* field)
{
    field->installEventFilter(this);
}

bool UndoKeyForwarder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!isShortcutOf(m_undo, key) && !isShortcutOf(m_redo, key))
        return false;
    // An override left unclaimed lets the window's shortcut have the key; a key press that
    // still arrives (nothing to undo) is dropped rather than undoing in the field.
    event->setAccepted(event->type() == QEvent::KeyPress);
    return true;
}

} // namespace quillory
