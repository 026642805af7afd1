#pragma once

#include <QEvent>
#include <QObject>
#include <QPointF>
#include <cstdint>

struct wl_pointer;
struct wl_seat;
struct wl_surface;
typedef std::int32_t wl_fixed_t;
class QWidget;

namespace platform::wayland {

class LayerSurface;

// The compositor's pointer on the figure's surface (the seat's pointer, made anew when a
// pointer comes back), handed to the widget under it as mouse events, so a click on the
// figure goes the way it always went. XWayland never sees the pointer there: while the event
// is handled, the pointer is where the click was on the surface (PointerElsewhere).
class PointerInput : public QObject {
    Q_OBJECT

public:
    // Listens to `seat` (none: no pointer); its capabilities come with the next roundtrip.
    PointerInput(wl_seat* seat, QWidget* window, const LayerSurface& surface);
    ~PointerInput() override;
    // The surface went: the pointer is on it no more.
    void SurfaceGone() { in_ = false; }

private:
    static void Capabilities(void* data, wl_seat* seat, std::uint32_t capabilities);
    static void SeatName(void*, wl_seat*, const char*) {}
    static void Enter(void* data, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t x,
                      wl_fixed_t y);
    static void Leave(void* data, wl_pointer*, std::uint32_t, wl_surface*);
    static void Motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y);
    static void Button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                       std::uint32_t state);
    static void Axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
    // Hands a button of the compositor's pointer to the widget under it.
    void Deliver(QEvent::Type type, QPointF onSurface, Qt::MouseButton button);

    QWidget* window_;
    const LayerSurface& surface_;
    wl_pointer* pointer_ = nullptr;
    // Where the compositor's pointer is on the surface, in the window's pixels.
    bool in_ = false;
    QPointF at_;
    Qt::MouseButtons buttons_;
};

} // namespace platform::wayland
