#pragma once

#include "core/alert.h"

class QWidget;

namespace quillory {

// Shows an alert of the libraries as a warning message box on the window (window-modal, or
// application-modal for a modal alert) with its exact texts and buttons, and gives the role of
// the button pressed (Cancel when the box was closed). The first button is the default, unless
// the alert asks before losing something (a destructive alert, or a Delete or Revert button):
// then Cancel is, so that Return never loses data. Escape answers Cancel.
Alert::Role showAlert(QWidget* window, const Alert& alert);

} // namespace quillory
