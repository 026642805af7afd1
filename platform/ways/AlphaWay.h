#pragma once

#include "XWay.h"

#include <QObject>
#include <optional>

namespace platform {

namespace x11 {
class PointerWatch;
}

// The key cut away by a window with an alpha channel where a compositing manager draws the
// screen: the key's pixels are transparent, the outline stays the window's rectangle (no
// compositor draws a shadow or a halo around a shape), and only the part of the window that
// takes the mouse follows the figure (the X input shape). A compositing manager answers
// every change of that shape with work of its own, and the shape only matters where the
// pointer is: it follows the figure while the pointer is over the window or close to it,
// and is left as it is while the pointer is away (where the pointer cannot be followed, it
// follows the figure always).
class AlphaWay : public QObject, public XWay {
    Q_OBJECT

public:
    AlphaWay(QWidget* window, std::function<ServerReplay*()> replay);
    ~AlphaWay() override;
    const char* Name() const override { return "alpha"; }
    bool KeyByAlpha() const override { return true; }
    void Show(const QImage* content, const QRegion& mask) override;
    bool Present(std::size_t stamp) override;
    void Leave() override;

private:
    // Whether the part that takes the mouse follows the figure now.
    bool Following() const { return !watch_ || near_ || !shaped_; }
    // The pointer may have come near or gone: the shape catches up with the figure on show.
    void PointerMoved();
    // The window's rectangle on the screen, in the root window's pixels.
    QRect OnScreen() const;
    // The window moving under a pointer that rests counts as the pointer moving.
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::unique_ptr<x11::PointerWatch> watch_;
    bool near_ = false;
    // Whether the window has a shape of this way's yet, and whether it is the figure on show.
    bool shaped_ = false;
    bool current_ = false;
    // The figure on show: a content kept under a stamp, or a mask.
    std::optional<std::size_t> shownStamp_;
    QRegion shownMask_;
};

} // namespace platform
