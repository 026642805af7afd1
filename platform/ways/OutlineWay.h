#pragma once

#include "XWay.h"

namespace platform {

// The key cut away by the window's outline (the X Shape extension): what is not the key is
// the window's shape, for the eye and for the mouse. Needs no compositing manager.
class OutlineWay : public XWay {
public:
    using XWay::XWay;
    const char* Name() const override { return "outline"; }
    bool KeyByAlpha() const override { return false; }
    void Show(const QImage* content, const QRegion& mask) override;
    bool Present(std::size_t stamp) override;
    void Leave() override;
};

} // namespace platform
