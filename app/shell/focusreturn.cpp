#include "app/shell/focusreturn.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace quillory {

FocusReturn::FocusReturn(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

bool FocusReturn::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        const auto* closed = static_cast<QWidget*>(watched);
        if (closed->isWindow() && closed->isModal() && closed->parentWidget()) {
            // Once the hiding is over: a window manager may have given the focus back already.
            QPointer<QWidget> owner = closed->parentWidget()->window();
            QTimer::singleShot(0, this, [owner] {
                if (owner && owner->isVisible() && !QApplication::activeWindow() &&
                    !QApplication::activeModalWidget())
                    owner->activateWindow();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillory
