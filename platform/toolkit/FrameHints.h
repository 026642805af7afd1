#pragma once

class QWidget;

namespace platform {

// Tells the window manager that `window`'s frame offers moving and closing only: a title bar
// with a close box, no resizing, minimising or maximising. On X11 these are the Motif hints,
// which window managers read for this; Qt's own always allow resizing, so they are written
// again over Qt's once the native window exists. Other platforms keep Qt's frame.
void SetMoveAndCloseOnly(QWidget* window);

} // namespace platform
