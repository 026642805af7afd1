#include "PointerInput.h"

#include "LayerSurface.h"
#include "platform/toolkit/Pointer.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <linux/input-event-codes.h>
#include <wayland-client.h>

namespace platform::wayland {

PointerInput::PointerInput(wl_seat* seat, QWidget* window, const LayerSurface& surface)
    : window_(window)
    , surface_(surface) {
    static constexpr wl_seat_listener listener{Capabilities, SeatName};
    if (seat)
        wl_seat_add_listener(seat, &listener, this);
}

PointerInput::~PointerInput() {
    if (pointer_)
        wl_pointer_destroy(pointer_);
}

void PointerInput::Capabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
    auto* self = static_cast<PointerInput*>(data);
    const bool has = capabilities & WL_SEAT_CAPABILITY_POINTER;
    // A pointer that goes (the last mouse unplugged) sends nothing more, even when a pointer
    // comes again: that one is a new object.
    if (!has && self->pointer_) {
        wl_pointer_destroy(self->pointer_);
        self->pointer_ = nullptr;
        self->in_ = false;
    }
    if (has && !self->pointer_) {
        self->pointer_ = wl_seat_get_pointer(seat);
        // A seat of version 1 sends no later events.
        static constexpr wl_pointer_listener listener{.enter = Enter,
                                                      .leave = Leave,
                                                      .motion = Motion,
                                                      .button = Button,
                                                      .axis = Axis,
                                                      .frame = nullptr,
                                                      .axis_source = nullptr,
                                                      .axis_stop = nullptr,
                                                      .axis_discrete = nullptr,
                                                      .axis_value120 = nullptr};
        wl_pointer_add_listener(self->pointer_, &listener, self);
    }
}

void PointerInput::Enter(void* data, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t x,
                         wl_fixed_t y) {
    auto* self = static_cast<PointerInput*>(data);
    self->in_ = surface && surface == self->surface_.Surface();
    self->at_ = QPointF(wl_fixed_to_double(x), wl_fixed_to_double(y));
}

void PointerInput::Leave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
    static_cast<PointerInput*>(data)->in_ = false;
}

void PointerInput::Motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    static_cast<PointerInput*>(data)->at_ = QPointF(wl_fixed_to_double(x), wl_fixed_to_double(y));
}

void PointerInput::Button(void* data, wl_pointer*, std::uint32_t, std::uint32_t,
                          std::uint32_t button, std::uint32_t state) {
    auto* self = static_cast<PointerInput*>(data);
    const Qt::MouseButton which = button == BTN_LEFT     ? Qt::LeftButton
                                  : button == BTN_RIGHT  ? Qt::RightButton
                                  : button == BTN_MIDDLE ? Qt::MiddleButton
                                                         : Qt::NoButton;
    if (!self->in_ || which == Qt::NoButton)
        return;
    const QEvent::Type type = state == WL_POINTER_BUTTON_STATE_PRESSED ? QEvent::MouseButtonPress
                                                                       : QEvent::MouseButtonRelease;
    // Handed over once this dispatch is done: the click may open a menu with an event loop of
    // its own, which reads the compositor's events again.
    QMetaObject::invokeMethod(
        self, [self, type, at = self->at_, which] { self->Deliver(type, at, which); },
        Qt::QueuedConnection);
}

void PointerInput::Deliver(QEvent::Type type, QPointF onSurface, Qt::MouseButton button) {
    // The surface's logical pixels to the window's.
    const QPoint at = surface_.Placed().ToPicture(onSurface).toPoint();
    QWidget* target = window_->childAt(at);
    if (!target)
        target = window_;
    if (type == QEvent::MouseButtonPress)
        buttons_ |= button;
    else
        buttons_ &= ~button;
    // The pointer is where the click was on the surface.
    const QPoint global = surface_.ToToolkit(onSurface);
    const PointerElsewhere pointer(global);
    QMouseEvent event(type, target->mapFrom(window_, QPointF(at)), QPointF(global), button,
                      buttons_, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace platform::wayland
