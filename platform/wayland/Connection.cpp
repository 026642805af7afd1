#include "Connection.h"

#include "LayerShellProtocol.h"
#include "fractional-scale-client.h"
#include "platform/Logging.h"
#include "viewporter-client.h"

#include <QAbstractEventDispatcher>
#include <QRegion>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

namespace platform::wayland {

void Connection::Global(void* data, wl_registry* registry, std::uint32_t name,
                        const char* interface, std::uint32_t version) {
    auto* connection = static_cast<Connection*>(data);
    const auto bind = [&](const wl_interface* wanted, std::uint32_t most) {
        return wl_registry_bind(registry, name, wanted, std::min(version, most));
    };
    if (connection->outputs_->Add(registry, name, interface, version))
        return;
    // Surfaces of version 3 take a buffer scale.
    if (!std::strcmp(interface, wl_compositor_interface.name) && !connection->compositor_)
        connection->compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    else if (!std::strcmp(interface, wl_shm_interface.name) && !connection->shm_)
        connection->shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    else if (!std::strcmp(interface, wl_seat_interface.name) && !connection->seat_)
        connection->seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
    else if (!std::strcmp(interface, zwlr_layer_shell_v1_interface.name) &&
             !connection->layerShell_)
        connection->layerShell_ =
            static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 1));
    else if (!std::strcmp(interface, wp_viewporter_interface.name) && !connection->viewporter_)
        connection->viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    else if (!std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) &&
             !connection->fractionalScale_)
        connection->fractionalScale_ = static_cast<wp_fractional_scale_manager_v1*>(
            bind(&wp_fractional_scale_manager_v1_interface, 1));
}

void Connection::GlobalGone(void* data, wl_registry*, std::uint32_t name) {
    static_cast<Connection*>(data)->outputs_->Remove(name);
}

std::unique_ptr<Connection> Connection::Open(QString& why) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        why = QStringLiteral("no Wayland compositor to connect to");
        return nullptr;
    }
    std::unique_ptr<Connection> connection(new Connection(display));
    static constexpr wl_registry_listener registry{Global, GlobalGone};
    connection->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(connection->registry_, &registry, connection.get());
    if (!connection->Roundtrip() || !connection->compositor_ || !connection->shm_ ||
        !connection->layerShell_) {
        why = QStringLiteral("the compositor offers no layer-shell (zwlr_layer_shell_v1)");
        return nullptr;
    }
    connection->notifier_ =
        new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read, connection.get());
    connect(connection->notifier_, &QSocketNotifier::activated, connection.get(),
            &Connection::Dispatch);
    // Events read by a dispatch elsewhere, and requests not yet sent, before the program waits.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
            connection.get(), [c = connection.get()] {
                wl_display_dispatch_pending(c->display_);
                c->Send();
            });
    return connection;
}

Connection::Connection(wl_display* display)
    : display_(display) {}

Connection::~Connection() {
    if (viewporter_)
        wp_viewporter_destroy(viewporter_);
    if (fractionalScale_)
        wp_fractional_scale_manager_v1_destroy(fractionalScale_);
    if (seat_)
        wl_seat_destroy(seat_);
    // Its destructor request came with version 3.
    if (layerShell_ && zwlr_layer_shell_v1_get_version(layerShell_) >= 3)
        zwlr_layer_shell_v1_destroy(layerShell_);
    else if (layerShell_)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layerShell_));
    if (shm_)
        wl_shm_destroy(shm_);
    if (compositor_)
        wl_compositor_destroy(compositor_);
    outputs_.reset();
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

bool Connection::Roundtrip() {
    return wl_display_roundtrip(display_) >= 0;
}

void Connection::Dispatch() {
    // Read without waiting: what the socket held may have been read already.
    if (wl_display_prepare_read(display_) == 0 && wl_display_read_events(display_) < 0) {
        qCWarning(lcWayland) << "the connection to the compositor ended: the figure stands still";
        notifier_->setEnabled(false);
    }
    wl_display_dispatch_pending(display_);
    Send();
}

void Connection::Send() {
    // What waits for the socket goes first, as soon as the compositor has read what it holds.
    pollfd socket{wl_display_get_fd(display_), POLLOUT, 0};
    while (wl_display_flush(display_) < 0 && errno == EAGAIN && poll(&socket, 1, 1000) > 0) {
    }
}

wl_region* Connection::MakeRegion(const QRegion& mask) {
    wl_region* region = wl_compositor_create_region(compositor_);
    int queued = 0;
    for (const QRect& r : mask) {
        wl_region_add(region, r.x(), r.y(), r.width(), r.height());
        if (++queued % 128 == 0)
            Send();
    }
    return region;
}

} // namespace platform::wayland
