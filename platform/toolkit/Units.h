#pragma once

class QWidget;

namespace platform {

// Coordinate units of a window or user control.
enum class ScaleMode { Twips, Pixels };

constexpr double TwipsPerInch = 1440.0;

// Twips per (logical) pixel of the primary screen: 15 at 96 DPI, 12 at 120 DPI.
double TwipsPerPixelX();
double TwipsPerPixelY();

// Units per pixel of the scale that places `control`: that of the nearest enclosing
// window or user control that declares a scale mode; pixels when none does.
double UnitsPerPixelX(const QWidget* control);
double UnitsPerPixelY(const QWidget* control);

// Marks a window or user control with the scale its children are placed in.
void SetScaleMode(QWidget* container, ScaleMode mode);
ScaleMode ScaleModeOf(const QWidget* container);

} // namespace platform
