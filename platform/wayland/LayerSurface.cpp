#include "LayerSurface.h"

#include "BufferPool.h"
#include "Connection.h"
#include "LayerShellProtocol.h"
#include "fractional-scale-client.h"
#include "platform/Logging.h"
#include "viewporter-client.h"

#include <QScreen>
#include <QWidget>
#include <climits>
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
    // The compositor took the surface away (its output went): the backend makes a new one at
    // once, on another output.
    qCInfo(lcWayland) << "the compositor took the layer surface away";
    auto* self = static_cast<LayerSurface*>(data);
    self->Destroy();
    emit self->TakenAway();
}

void LayerSurface::FrameDone(void* data, wl_callback* callback, std::uint32_t) {
    auto* self = static_cast<LayerSurface*>(data);
    wl_callback_destroy(callback);
    self->frameDone_ = nullptr;
    self->Commit();
}

void LayerSurface::Entered(void* data, wl_surface*, wl_output* output) {
    auto* self = static_cast<LayerSurface*>(data);
    if (self->output_ == output)
        return;
    self->output_ = output;
    emit self->Moved();
}

void LayerSurface::Left(void* data, wl_surface*, wl_output* output) {
    auto* self = static_cast<LayerSurface*>(data);
    if (self->output_ == output)
        self->output_ = nullptr;
}

void LayerSurface::PreferredScaleIs(void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
    auto* self = static_cast<LayerSurface*>(data);
    // In 120ths.
    if (self->preferredScale_ == scale / 120.0)
        return;
    self->preferredScale_ = scale / 120.0;
    emit self->Moved();
}

bool LayerSurface::Ensure(const Placement& placement) {
    if (!window_->isVisible())
        return false;
    if (surface_ && placement == placement_)
        return true;
    const bool resized = !surface_ || placement.logical != placement_.logical;
    if (!surface_) {
        qCInfo(lcWayland) << "a layer surface of" << placement.logical << "in the overlay layer";
        surface_ = wl_compositor_create_surface(connection_.Compositor());
        static constexpr wl_surface_listener outputs{Entered, Left};
        wl_surface_add_listener(surface_, &outputs, this);
        // No output named: the compositor's own choice, the one the user works on.
        layerSurface_ =
            zwlr_layer_shell_v1_get_layer_surface(connection_.LayerShell(), surface_, nullptr,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "lumivast");
        static constexpr zwlr_layer_surface_v1_listener listener{Configure, Closed};
        zwlr_layer_surface_v1_add_listener(layerSurface_, &listener, this);
        // Centred on the whole output, whatever its panels reserve.
        zwlr_layer_surface_v1_set_exclusive_zone(layerSurface_, -1);
        if (connection_.Viewporter())
            viewport_ = wp_viewporter_get_viewport(connection_.Viewporter(), surface_);
        if (connection_.FractionalScale()) {
            fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(
                connection_.FractionalScale(), surface_);
            static constexpr wp_fractional_scale_v1_listener scale{PreferredScaleIs};
            wp_fractional_scale_v1_add_listener(fractional_, &scale, this);
        }
    }
    placement_ = placement;
    zwlr_layer_surface_v1_set_size(layerSurface_, std::uint32_t(placement.logical.width()),
                                   std::uint32_t(placement.logical.height()));
    const QPoint margin = placement.margin.value_or(QPoint());
    zwlr_layer_surface_v1_set_anchor(layerSurface_, placement.margin
                                                        ? ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                              ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT
                                                        : 0);
    zwlr_layer_surface_v1_set_margin(layerSurface_, margin.y(), 0, 0, margin.x());
    // A new size is the compositor's to confirm before a content of it is attached (a new
    // place alone it may not confirm at all: KWin does not).
    if (resized)
        configured_ = false;
    wl_surface_commit(surface_);
    connection_.Send();
    return true;
}

void LayerSurface::Destroy() {
    if (frameDone_)
        wl_callback_destroy(frameDone_);
    if (fractional_)
        wp_fractional_scale_v1_destroy(fractional_);
    if (viewport_)
        wp_viewport_destroy(viewport_);
    if (layerSurface_)
        zwlr_layer_surface_v1_destroy(layerSurface_);
    if (surface_)
        wl_surface_destroy(surface_);
    const bool was = surface_;
    frameDone_ = nullptr;
    fractional_ = nullptr;
    viewport_ = nullptr;
    layerSurface_ = nullptr;
    surface_ = nullptr;
    output_ = nullptr;
    preferredScale_ = 0;
    configured_ = false;
    DropWaiting();
    // What the surface showed is no longer read.
    pool_.SurfaceGone();
    connection_.Send();
    if (was)
        emit Gone();
}

std::optional<QPointF> LayerSurface::Mapping(double& ratio) const {
    // XWayland's X coordinates are the compositor's logical ones, unless X programs scale
    // themselves there (KWin's Xwayland scale): then the X screen is larger by that scale, and
    // the toolkit's coordinates are X pixels over its own device pixel ratio.
    const QRect virtualScreen = window_->screen()->virtualGeometry();
    const QRect desktop = connection_.Screens().Desktop();
    const Outputs::Output* output = connection_.Screens().Find(output_);
    ratio = 1;
    if (!placement_.margin || !output || output->logical.isEmpty() || desktop.isEmpty())
        return std::nullopt;
    ratio = double(virtualScreen.width()) / desktop.width();
    if (std::abs(ratio - 1) < 0.005)
        ratio = 1;
    const QPoint logical = output->logical.topLeft() + *placement_.margin - desktop.topLeft();
    return QPointF(virtualScreen.topLeft()) + QPointF(logical) * ratio;
}

QPoint LayerSurface::ToToolkit(QPointF onSurface) const {
    double ratio;
    if (const std::optional<QPointF> origin = Mapping(ratio))
        return (*origin + onSurface * ratio).toPoint();
    // Not yet known: the middle of the toolkit's screen, where the compositor centres it.
    const QRect screen = window_->screen()->geometry();
    const QSize size = placement_.logical.isEmpty() ? window_->size() : placement_.logical;
    return screen.topLeft() +
           (QPoint(screen.width(), screen.height()) - QPoint(size.width(), size.height())) / 2 +
           onSurface.toPoint();
}

QRect LayerSurface::FromToolkit(const QRect& toolkit) const {
    double ratio;
    const QPointF origin = Mapping(ratio).value_or(QPointF(ToToolkit({0, 0})));
    return QRectF((QPointF(toolkit.topLeft()) - origin) / ratio, QSizeF(toolkit.size()) / ratio)
        .toAlignedRect();
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
    // The buffer's scale and the size it is shown at go with the buffer.
    wl_surface_set_buffer_scale(surface_, placement_.bufferScale);
    if (viewport_ && placement_.viewport)
        wp_viewport_set_destination(viewport_, placement_.logical.width(),
                                    placement_.logical.height());
    else if (viewport_)
        wp_viewport_set_destination(viewport_, -1, -1);
    wl_surface_attach(surface_, waiting_, 0, 0);
    wl_surface_damage(surface_, 0, 0, INT_MAX, INT_MAX);
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
