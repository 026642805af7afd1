#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

namespace platform {

// Which Qt platform to run on in `environment`, or empty to leave Qt's own choice. Windows
// above all others, window shapes and click-through need X11: in a Wayland session the
// program runs through XWayland ("xcb") when the session offers it (DISPLAY is set) and the
// user has not chosen a platform (QT_QPA_PLATFORM). Without XWayland Qt's choice stays, and
// the picture plays in an ordinary window.
QByteArray ChoosePlatform(const QProcessEnvironment& environment);

// Puts that choice in place; to be called before the application object exists.
void UseChosenPlatform();

} // namespace platform
