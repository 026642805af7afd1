#pragma once

namespace platform {

// Maps the font names the windows and pages are designed with to installed faces with
// Cyrillic letters of the same kind ("MS Sans Serif" to a sans-serif, "Times New Roman" to
// its metric-compatible serif).
void InstallFontSubstitutes();

} // namespace platform
