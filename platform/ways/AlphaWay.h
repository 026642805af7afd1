#pragma once

#include "XWay.h"

namespace platform {

// The key cut away by a window with an alpha channel where a compositing manager draws the
// screen: the key's pixels are transparent, the outline stays the window's rectangle (no
// compositor draws a shadow or a halo around a shape), and only the part of the window that
// takes the mouse follows the figure (the X input shape).
class AlphaWay : public XWay {
public:
    using XWay::XWay;
    const char* Name() const override { return "alpha"; }
    bool KeyByAlpha() const override { return true; }
    void Show(const QImage* content, const QRegion& mask) override;
    void Leave() override;
};

} // namespace platform
