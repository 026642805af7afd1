#pragma once

#include "Outputs.h"

#include <QObject>
#include <QString>
#include <memory>

struct wl_compositor;
struct wl_display;
struct wl_region;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct zwlr_layer_shell_v1;
class QRegion;
class QSocketNotifier;

namespace platform::wayland {

// The program's own connection to the Wayland compositor, beside the toolkit's X11 one, with
// the globals a layer surface needs. The compositor's events are dispatched as they come, read
// without waiting (the socket notifier may fire for data a dispatch has taken already), and
// requests go out as they are made, waiting for the compositor while its socket is full:
// libwayland ends a connection for good when a request finds its buffer full.
class Connection : public QObject {
    Q_OBJECT

public:
    // The connection, or null where the compositor offers no layer-shell (`why` says so).
    static std::unique_ptr<Connection> Open(QString& why);
    ~Connection() override;

    wl_display* Display() const { return display_; }
    wl_compositor* Compositor() const { return compositor_; }
    wl_shm* Shm() const { return shm_; }
    // Null where the compositor has no seat.
    wl_seat* Seat() const { return seat_; }
    zwlr_layer_shell_v1* LayerShell() const { return layerShell_; }
    // Null where the compositor offers none.
    wp_viewporter* Viewporter() const { return viewporter_; }
    wp_fractional_scale_manager_v1* FractionalScale() const { return fractionalScale_; }
    const Outputs& Screens() const { return *outputs_; }

    // Waits for the compositor to have answered everything asked so far (the seat's
    // capabilities, once its listener is there); false when the connection went.
    bool Roundtrip();
    // Sends the requests made so far, waiting for the compositor where the socket is full.
    void Send();
    // The figure as an input region: thousands of rectangles, sent as they come.
    wl_region* MakeRegion(const QRegion& mask);

private:
    explicit Connection(wl_display* display);
    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version);
    static void GlobalGone(void* data, wl_registry*, std::uint32_t name);
    void Dispatch();

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale_ = nullptr;
    std::unique_ptr<Outputs> outputs_ = std::make_unique<Outputs>();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform::wayland
