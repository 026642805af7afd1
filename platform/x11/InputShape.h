#pragma once

#include <QObject>
#include <QRegion>
#include <QTimer>
#include <cstddef>
#include <memory>
#include <optional>

class QWidget;

namespace platform::x11 {

class FrameShown;
class PointerWatch;
class ServerReplay;
class X11Backend;

// The part of a window with an alpha channel that takes the mouse (the X input shape), while
// the key's pixels are transparent and the window's outline stays its rectangle (no
// compositor draws a shadow or a halo around a shape). A compositing manager answers every
// change of that shape with work of its own, and the shape only matters where the pointer is:
// it follows the figure while the pointer is over the window or close to it, and is left as
// it is while the pointer is away (where the pointer cannot be followed, it follows the
// figure always). Where it cannot be followed (XWayland), a figure of the same outline as the
// one before is told in a slightly different shape at each frame, and again after it (Renew).
class InputShape : public QObject {
    Q_OBJECT

public:
    InputShape(QWidget* window, X11Backend& backend);
    ~InputShape() override;
    // The figure on show is `mask`, kept nowhere.
    void Show(const QRegion& mask);
    // Presents the content kept under `stamp` (the figure `mask`) from the server, with its
    // region as the input shape where it follows the figure; false when there is none.
    bool Present(ServerReplay& replay, std::size_t stamp, const QRegion& mask);
    // The figure on show, `mask` as before, was painted again.
    void Repainted(const QRegion& mask);
    // The window is cut by its outline from now on: the input shape goes.
    void Leave();

private:
    // Whether the part that takes the mouse follows the figure now.
    bool Following() const { return !watch_ || near_ || !shaped_; }
    // The pointer may have come near or gone: the shape catches up with the figure on show.
    void PointerMoved();
    // The window's rectangle on the screen, in the root window's pixels.
    QRect OnScreen() const;
    // GNOME 43 gives an XWayland window's whole rectangle the mouse again whenever XWayland
    // commits a frame of it, and takes the X input shape back only at such a commit, and only
    // when it has read a shape since that differs from the one it read before (it reads the
    // shape as it stands when it comes to the notice of a change, which under load may be
    // after further changes): a figure whose outline stays from frame to frame would take
    // every click on its key after the first frame. Each such frame's shape is therefore the
    // next of eight that differ by a few of the figure's pixels, and it moves on to the next
    // one each time one of the next few frames has reached the screen (FrameShown; else a
    // moment apart), so that each commit, the frame's own and any that follow it, finds a
    // change read. Returns whether the frame's shape is such a variant (variant_).
    bool Renew(const QRegion& mask);
    void AskRenewal();
    // The window moving under a pointer that rests counts as the pointer moving.
    bool eventFilter(QObject* watched, QEvent* event) override;

    QWidget* window_;
    X11Backend& backend_;
    std::unique_ptr<PointerWatch> watch_;
    std::unique_ptr<FrameShown> shown_;
    bool near_ = false;
    // Whether the window has a shape of this way's yet, and whether it is the figure on show.
    bool shaped_ = false;
    bool current_ = false;
    // The figure on show: a content kept under a stamp, or a mask.
    std::optional<std::size_t> shownStamp_;
    QRegion shownMask_;
    // The figure shown before, and the renewal under way.
    QRegion lastMask_;
    unsigned variant_ = 0;
    int renewals_ = 0;
    QTimer renewal_;
};

} // namespace platform::x11
