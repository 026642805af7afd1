#pragma once

#include "KeyWay.h"

#include <QEvent>
#include <QHash>
#include <QObject>
#include <QPointF>
#include <QSize>
#include <array>
#include <cstdint>
#include <optional>

struct wl_buffer;
struct wl_callback;
struct wl_compositor;
struct wl_display;
struct wl_pointer;
struct wl_region;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
class QSocketNotifier;

namespace platform {

// The key cut away by a surface of the program's own on the Wayland compositor, where the
// compositor offers layer-shell (KWin, sway and the wlroots family). Through XWayland the
// compositor hands every click on an X window's rectangle to XWayland, whatever its input
// shape; a layer-shell surface's input region is the compositor's own business. The window
// itself never shows (the toolkit keeps it off the screen); its rendered contents go to a
// surface in the overlay layer, centred on the screen, above ordinary windows, taking no
// keyboard focus and no task-bar entry, the key's pixels transparent and its input region the
// figure. Contents seen before are kept in shared memory buffers and attached again without a
// copy, up to the budget the X way has in the server; beyond it they are kept compact, as the
// X way keeps them, and copied out as they come. The surface commits at most one content per
// frame the compositor draws. Clicks on the
// figure come from the compositor to this surface and are handed to the window's widgets.
class LayerShellWay : public QObject, public KeyWay {
    Q_OBJECT

public:
    // The way for `window`, or null where no Wayland compositor offers layer-shell.
    static std::unique_ptr<LayerShellWay> Connect(QWidget* window);
    ~LayerShellWay() override;

    const char* Name() const override { return "wayland"; }
    bool ShowsNativeWindow() const override { return false; }
    bool KeyByAlpha() const override { return true; }
    void Show(const QImage* content, const QRegion& mask) override;
    void Keep(std::size_t stamp, const QImage& content, const QRegion& mask) override;
    bool Present(std::size_t stamp) override;
    void Hidden() override;

    // What the compositor says, from its listeners.
    struct Listeners;

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        uchar* memory = nullptr;
        std::size_t bytes = 0;
        // The figure, as the input region (null for a content shown once: made per showing).
        wl_region* region = nullptr;
        QRegion mask;
        // A content kept beyond the shared memory's budget (no buffer of its own).
        QImage compact;
        bool busy = false;
    };
    LayerShellWay(QWidget* window, wl_display* display);
    Buffer MakeBuffer(QSize size);
    void FreeBuffer(Buffer& buffer);
    wl_region* MakeRegion(const QRegion& mask);
    // Sends the requests made so far, waiting for the compositor where the socket is full.
    void Send();
    void ForgetKept();
    void DropWaiting();
    // Makes the surface where the window shows and has none.
    bool EnsureSurface();
    void DestroySurface();
    // Where the program's other windows (its menu, its messages) cover the surface: Wayland
    // compositors draw XWayland's windows beneath every layer-shell surface, so the surface
    // leaves those parts out, for the eye and for the mouse.
    QRegion CoveredByOwnWindows() const;
    // Where the surface stands on the screen.
    QPoint SurfaceOrigin() const;
    // Puts the content shown last on its way to the screen, without what is covered.
    void PutOnScreen();
    // Commits the content waiting to be shown, when the compositor is ready for one.
    void Commit();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Hands a button or a move of the compositor's pointer to the widget under it.
    void Deliver(QEvent::Type type, QPoint at, Qt::MouseButton button);

    QWidget* window_;
    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;

    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layerSurface_ = nullptr;
    wl_callback* frameDone_ = nullptr;
    QSize surfaceSize_;
    bool configured_ = false;

    QHash<std::size_t, Buffer> kept_;
    QSize keptSize_;
    qint64 keptBytes_ = 0;
    qint64 compactBytes_ = 0;
    // The content shown last: kept under a stamp, or shown once.
    std::optional<std::size_t> shownStamp_;
    QImage shownContent_;
    QRegion shownMask_;
    QRegion lastCovered_;
    bool coverChecked_ = false;
    // Buffers for contents shown once (kept nowhere, or partly covered), each used again once
    // the compositor lets it go.
    std::array<Buffer, 3> passing_;
    // What goes on the screen at the next commit; the region is the waiting content's own
    // where that content is kept nowhere.
    wl_buffer* waiting_ = nullptr;
    wl_region* waitingRegion_ = nullptr;
    bool waitingRegionOwned_ = false;

    // The compositor's pointer on the surface, in the window's pixels.
    bool pointerIn_ = false;
    QPointF pointerAt_;
    Qt::MouseButtons buttons_;
};

} // namespace platform
