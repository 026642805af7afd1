#pragma once

#include <QImage>
#include <QRegion>
#include <cstddef>
#include <memory>

class QWidget;

namespace platform {

// One way of cutting a window's key colour away on this desktop: what the window shows and
// where it takes the mouse, given the mask of its pixels that are not the key. The colour key
// decides what the window shows and when; a way only puts it on the screen.
class KeyWay {
public:
    virtual ~KeyWay() = default;

    // The way's name, as LUMIVAST_KEY_WAY names it.
    virtual const char* Name() const = 0;
    // Whether the window's own native window is what the screen shows. Otherwise the way
    // shows the window's rendered contents itself, and every content is handed to it.
    virtual bool ShowsNativeWindow() const { return true; }
    // Whether the key's pixels are handed over with alpha 0.
    virtual bool KeyByAlpha() const = 0;

    // The window shows a content with `mask` that the way keeps nowhere: `content` is that
    // content rendered (null where the window paints it itself).
    virtual void Show(const QImage* content, const QRegion& mask) = 0;
    // Keeps a content (the window's pixels, RGB32, the key's alpha 0 where KeyByAlpha) and its
    // mask under `stamp`, where the way can; kept contents come back by Present.
    virtual void Keep(std::size_t stamp, const QImage& content, const QRegion& mask) = 0;
    // Puts the content kept under `stamp` on the screen; false when it is kept nowhere.
    virtual bool Present(std::size_t stamp) = 0;
    // The window is hidden.
    virtual void Hidden() {}
    // Another way takes over the window: what this one set on it goes.
    virtual void Leave() {}
};

// The way to take for `window` on this desktop, before it is first shown. LUMIVAST_KEY_WAY
// (outline, alpha or wayland) asks for one; a way the session cannot offer is not taken.
// The two X ways follow the compositing manager later (see ColourKey).
std::unique_ptr<KeyWay> NativeSurfaceWay(QWidget* window);

} // namespace platform
