#include "KeyWay.h"

#include "LayerShellWay.h"

#include <QGuiApplication>

namespace platform {

std::unique_ptr<KeyWay> NativeSurfaceWay(QWidget* window) {
    // Only beside XWayland: the toolkit's own Wayland windows are the toolkit's business.
    const QByteArray asked = qgetenv("LUMIVAST_KEY_WAY");
    if ((!asked.isEmpty() && asked != "wayland") ||
        QGuiApplication::platformName() != QLatin1String("xcb") ||
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    return LayerShellWay::Connect(window);
}

} // namespace platform
