#pragma once

#include <QLoggingCategory>

// What the program says of the ways it takes and why, the Qt way: silent unless turned on
// (QT_LOGGING_RULES="lumivast.*=true"); warnings, where something the program relies on stops
// holding, show by default.
namespace platform {

// Which backend cuts the overlay's key colour away, and why the others declined.
Q_DECLARE_LOGGING_CATEGORY(lcKey)
// The X11 backend: alpha channel or outline, the server's replay, the pointer watch.
Q_DECLARE_LOGGING_CATEGORY(lcX11)
// The Wayland backend: the compositor's globals, the layer surface.
Q_DECLARE_LOGGING_CATEGORY(lcWayland)
// Pictures refused, frames kept or decoded again.
Q_DECLARE_LOGGING_CATEGORY(lcPicture)

} // namespace platform
