#pragma once

#include <QObject>

namespace quillory {

// Gives the keyboard back to the window a dialog was shown over once the dialog closes.
// Window managers do this themselves; without one (a bare X server, a kiosk session, the
// offscreen platform) no window would be active any more, and the window's shortcuts would
// stop working until it was clicked.
class FocusReturn : public QObject
{
    Q_OBJECT

public:
    explicit FocusReturn(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace quillory
