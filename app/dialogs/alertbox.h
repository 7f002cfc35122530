#pragma once

#include "core/alert.h"

class QWidget;

namespace quillory {

// Shows an alert of the libraries as a warning message box on the window (window-modal, or
// application-modal for a modal alert) with its exact texts and buttons, the first button
// being the default. Returns the index of the button pressed, -1 when the box was closed.
int showAlert(QWidget* window, const Alert& alert);

} // namespace quillory
