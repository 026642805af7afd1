#include "LayerSurface.h"

#include "BufferPool.h"
#include "Connection.h"
#include "LayerShellProtocol.h"
#include "platform/Logging.h"

#include <QScreen>
#include <QWidget>
#include <wayland-client.h>

namespace platform::wayland {

LayerSurface::LayerSurface(Connection& connection, BufferPool& pool, QWidget* window)
    : connection_(connection)
    , pool_(pool)
    , window_(window) {}

LayerSurface::~LayerSurface() {
    Destroy();
}

void LayerSurface::Configure(void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial,
                             std::uint32_t, std::uint32_t) {
    auto* self = static_cast<LayerSurface*>(data);
    zwlr_layer_surface_v1_ack_configure(surface, serial);
    self->configured_ = true;
    self->Commit();
}

void LayerSurface::Closed(void* data, zwlr_layer_surface_v1*) {
    // The compositor took the surface away (its output went): a new one comes with the next
    // content.
    qCInfo(lcWayland) << "the compositor took the layer surface away";
    static_cast<LayerSurface*>(data)->Destroy();
}

void LayerSurface::FrameDone(void* data, wl_callback* callback, std::uint32_t) {
    auto* self = static_cast<LayerSurface*>(data);
    wl_callback_destroy(callback);
    self->frameDone_ = nullptr;
    self->Commit();
}

bool LayerSurface::Ensure() {
    if (!window_->isVisible())
        return false;
    const QSize size = window_->size();
    if (surface_ && size == size_)
        return true;
    if (!surface_) {
        qCInfo(lcWayland) << "a layer surface of" << size << "in the overlay layer";
        surface_ = wl_compositor_create_surface(connection_.Compositor());
        // No output named: the compositor's own choice, the one the user works on. Unanchored,
        // the surface stands in the middle of it.
        layerSurface_ =
            zwlr_layer_shell_v1_get_layer_surface(connection_.LayerShell(), surface_, nullptr,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "lumivast");
        static constexpr zwlr_layer_surface_v1_listener listener{Configure, Closed};
        zwlr_layer_surface_v1_add_listener(layerSurface_, &listener, this);
    }
    size_ = size;
    zwlr_layer_surface_v1_set_size(layerSurface_, std::uint32_t(size.width()),
                                   std::uint32_t(size.height()));
    // The new size is the compositor's to confirm before a content of it is attached.
    configured_ = false;
    wl_surface_commit(surface_);
    connection_.Send();
    return true;
}

void LayerSurface::Destroy() {
    if (frameDone_)
        wl_callback_destroy(frameDone_);
    if (layerSurface_)
        zwlr_layer_surface_v1_destroy(layerSurface_);
    if (surface_)
        wl_surface_destroy(surface_);
    const bool was = surface_;
    frameDone_ = nullptr;
    layerSurface_ = nullptr;
    surface_ = nullptr;
    configured_ = false;
    DropWaiting();
    // What the surface showed is no longer read.
    pool_.SurfaceGone();
    connection_.Send();
    if (was)
        emit Gone();
}

QPoint LayerSurface::Origin() const {
    const QRect screen = window_->screen()->geometry();
    return screen.topLeft() +
           (QPoint(screen.width(), screen.height()) - QPoint(window_->width(), window_->height())) /
               2;
}

void LayerSurface::DropWaiting() {
    if (waitingRegionOwned_ && waitingRegion_)
        wl_region_destroy(waitingRegion_);
    waiting_ = nullptr;
    waitingRegion_ = nullptr;
    waitingRegionOwned_ = false;
}

void LayerSurface::ShowNext(wl_buffer* buffer, wl_region* region, bool ownsRegion) {
    DropWaiting();
    waiting_ = buffer;
    waitingRegion_ = region;
    waitingRegionOwned_ = ownsRegion;
    Commit();
}

void LayerSurface::Commit() {
    if (!surface_ || !configured_ || frameDone_ || !waiting_)
        return;
    wl_surface_attach(surface_, waiting_, 0, 0);
    wl_surface_damage(surface_, 0, 0, size_.width(), size_.height());
    wl_surface_set_input_region(surface_, waitingRegion_);
    pool_.Attached(waiting_);
    DropWaiting();
    // The next content waits until the compositor has drawn this one.
    frameDone_ = wl_surface_frame(surface_);
    static constexpr wl_callback_listener frame{FrameDone};
    wl_callback_add_listener(frameDone_, &frame, this);
    wl_surface_commit(surface_);
    connection_.Send();
}

} // namespace platform::wayland
