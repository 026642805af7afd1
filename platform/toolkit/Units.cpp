#include "Units.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr char ScaleModeProperty[] = "lumivastScaleMode";

double LogicalDpi(bool horizontal) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}

// The scale mode declared by the nearest container of `control` (excluding itself).
ScaleMode ContainerScale(const QWidget* control) {
    for (const QWidget* w = control ? control->parentWidget() : nullptr; w; w = w->parentWidget()) {
        const QVariant mode = w->property(ScaleModeProperty);
        if (mode.isValid())
            return static_cast<ScaleMode>(mode.toInt());
    }
    return ScaleMode::Pixels;
}

} // namespace

void UseWholeScaleFactors() {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
}

int WholeScaleFactor(double scale) {
    // As the toolkit rounds under RoundPreferFloor: up from three quarters, else down.
    const double whole = std::floor(scale);
    return std::max(1, int(scale - whole >= 0.75 ? whole + 1 : whole));
}

double TwipsPerPixelX() {
    return TwipsPerInch / LogicalDpi(true);
}
double TwipsPerPixelY() {
    return TwipsPerInch / LogicalDpi(false);
}

double UnitsPerPixelX(const QWidget* control) {
    return ContainerScale(control) == ScaleMode::Twips ? TwipsPerPixelX() : 1.0;
}

double UnitsPerPixelY(const QWidget* control) {
    return ContainerScale(control) == ScaleMode::Twips ? TwipsPerPixelY() : 1.0;
}

void SetScaleMode(QWidget* container, ScaleMode mode) {
    container->setProperty(ScaleModeProperty, static_cast<int>(mode));
}

ScaleMode ScaleModeOf(const QWidget* container) {
    const QVariant mode = container->property(ScaleModeProperty);
    return mode.isValid() ? static_cast<ScaleMode>(mode.toInt()) : ScaleMode::Pixels;
}

} // namespace platform
