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

// To be called before the application object exists. Screens of up to 1.5 times the usual
// density (144 DPI) keep one logical pixel per device pixel, so twips follow their DPI and a
// pixel drawn is a pixel shown; denser screens scale by whole factors only, so pictures are
// never resampled by fractions.
void UseWholeScaleFactors();
// The whole factor that rule gives a screen of `scale` device pixels per logical pixel: 1
// below 1.75, then the nearest whole factor, rounding down from halves (2 at 2 and 2.5).
int WholeScaleFactor(double scale);

// Marks a window or user control with the scale its children are placed in.
void SetScaleMode(QWidget* container, ScaleMode mode);
ScaleMode ScaleModeOf(const QWidget* container);

} // namespace platform
