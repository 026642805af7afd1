#include "Session.h"

namespace platform {

QByteArray ChoosePlatform(const QProcessEnvironment& environment) {
    if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        return {};
    const bool wayland = environment.value(QStringLiteral("XDG_SESSION_TYPE"))
                                 .compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0 ||
                         !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    if (!wayland || environment.value(QStringLiteral("DISPLAY")).isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
}

void UseChosenPlatform() {
    const QByteArray platform = ChoosePlatform(QProcessEnvironment::systemEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

} // namespace platform
