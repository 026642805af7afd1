#pragma once

#include "Placement.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <cstdint>
#include <optional>

struct wl_buffer;
struct wl_callback;
struct wl_output;
struct wl_region;
struct wl_surface;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct zwlr_layer_surface_v1;
class QWidget;

namespace platform::wayland {

class BufferPool;
class Connection;

// The figure's surface on the compositor: a layer surface in the overlay layer, above
// ordinary windows, no keyboard (it never takes the focus), no task-bar entry. It stays on the
// output the compositor gives it (the one the user works on), centred there whatever panels
// reserve: unanchored until it knows that output, then placed from its top-left corner on a
// device pixel (Placement). It shows at most one content per frame the compositor draws (a
// frame callback): a content that comes meanwhile waits, a later one replaces it.
class LayerSurface : public QObject {
    Q_OBJECT

public:
    LayerSurface(Connection& connection, BufferPool& pool, QWidget* window);
    ~LayerSurface() override;

    // Makes the surface, or gives it `placement` where that changed; false while the window
    // is hidden. Contents come in buffers of the placement's size.
    bool Ensure(const Placement& placement);
    void Destroy();
    wl_surface* Surface() const { return surface_; }
    const Placement& Placed() const { return placement_; }
    // The output the surface is on (null until the compositor says), and the scale the
    // compositor prefers for it where it says (fractional-scale; else 0).
    wl_output* Output() const { return output_; }
    double PreferredScale() const { return preferredScale_; }
    // A point of the surface (its logical pixels) where it stands on the screen, in the
    // toolkit's coordinates (the window itself, off the screen, may stand anywhere).
    QPoint ToToolkit(QPointF logical) const;
    // A rectangle of the toolkit's coordinates on the surface, in its logical pixels.
    QRect FromToolkit(const QRect& toolkit) const;
    // Shows `buffer` with `region` as the part that takes the mouse, as soon as the compositor
    // is ready for it; the surface destroys `region` once it is sent where `ownsRegion`.
    void ShowNext(wl_buffer* buffer, wl_region* region, bool ownsRegion);

signals:
    // The surface went (hidden, or taken away by the compositor when its output went).
    void Gone();
    // Taken away by the compositor (its output went): the window still shows.
    void TakenAway();
    // It came onto another output, or its output's scale changed.
    void Moved();

private:
    static void Configure(void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial,
                          std::uint32_t, std::uint32_t);
    static void Closed(void* data, zwlr_layer_surface_v1*);
    static void FrameDone(void* data, wl_callback* callback, std::uint32_t);
    static void Entered(void* data, wl_surface*, wl_output* output);
    static void Left(void* data, wl_surface*, wl_output* output);
    static void PreferredScaleIs(void* data, wp_fractional_scale_v1*, std::uint32_t scale);
    // Commits the content waiting to be shown, when the compositor is ready for one.
    void Commit();
    void DropWaiting();
    // Toolkit coordinates per logical pixel, and the surface's place in the toolkit's
    // coordinates of a logical pixel (null where its output is not known).
    std::optional<QPointF> Mapping(double& ratio) const;

    Connection& connection_;
    BufferPool& pool_;
    QWidget* window_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layerSurface_ = nullptr;
    wl_callback* frameDone_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    wp_fractional_scale_v1* fractional_ = nullptr;
    wl_output* output_ = nullptr;
    double preferredScale_ = 0;
    Placement placement_;
    bool configured_ = false;
    wl_buffer* waiting_ = nullptr;
    wl_region* waitingRegion_ = nullptr;
    bool waitingRegionOwned_ = false;
};

} // namespace platform::wayland
