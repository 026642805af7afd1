#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <cstdint>

struct wl_buffer;
struct wl_callback;
struct wl_region;
struct wl_surface;
struct zwlr_layer_surface_v1;
class QWidget;

namespace platform::wayland {

class BufferPool;
class Connection;

// The figure's surface on the compositor: a layer surface in the overlay layer, above
// ordinary windows, unanchored (the compositor centres it on the output the user works on),
// no exclusive zone, no keyboard (it never takes the focus), no task-bar entry. It shows at
// most one content per frame the compositor draws (a frame callback): a content that comes
// meanwhile waits, a later one replaces it.
class LayerSurface : public QObject {
    Q_OBJECT

public:
    LayerSurface(Connection& connection, BufferPool& pool, QWidget* window);
    ~LayerSurface() override;

    // Makes the surface, or gives it the window's size where that changed; false while the
    // window is hidden.
    bool Ensure();
    void Destroy();
    wl_surface* Surface() const { return surface_; }
    // Where the surface stands on the screen, in the toolkit's coordinates (the window
    // itself, off the screen, may stand anywhere).
    QPoint Origin() const;
    // Shows `buffer` with `region` as the part that takes the mouse, as soon as the compositor
    // is ready for it; the surface destroys `region` once it is sent where `ownsRegion`.
    void ShowNext(wl_buffer* buffer, wl_region* region, bool ownsRegion);

signals:
    // The surface went (hidden, or taken away by the compositor when its output went).
    void Gone();

private:
    static void Configure(void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial,
                          std::uint32_t, std::uint32_t);
    static void Closed(void* data, zwlr_layer_surface_v1*);
    static void FrameDone(void* data, wl_callback* callback, std::uint32_t);
    // Commits the content waiting to be shown, when the compositor is ready for one.
    void Commit();
    void DropWaiting();

    Connection& connection_;
    BufferPool& pool_;
    QWidget* window_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layerSurface_ = nullptr;
    wl_callback* frameDone_ = nullptr;
    QSize size_;
    bool configured_ = false;
    wl_buffer* waiting_ = nullptr;
    wl_region* waitingRegion_ = nullptr;
    bool waitingRegionOwned_ = false;
};

} // namespace platform::wayland
