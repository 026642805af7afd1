#include "PointerWatch.h"

#include "Connection.h"
#include "platform/Logging.h"

#include <QRect>
#include <QSocketNotifier>
#include <cstring>
#include <xcb/xinput.h>

namespace platform::x11 {

std::unique_ptr<PointerWatch> PointerWatch::Connect() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    std::unique_ptr<PointerWatch> watch(new PointerWatch(c));
    if (xcb_connection_has_error(c)) {
        qCInfo(lcX11) << "the pointer is not followed: no connection of its own to the X server";
        return nullptr;
    }
    constexpr char XWayland[] = "XWAYLAND";
    const auto xwayland = Own(xcb_query_extension_reply(
        c, xcb_query_extension(c, std::strlen(XWayland), XWayland), nullptr));
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(c, &xcb_input_id);
    // XWayland before 23.1 has no extension of that name; in a Wayland session the X server
    // is XWayland.
    const bool onXWayland =
        !xwayland || xwayland->present || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (onXWayland || !input || !input->present) {
        qCInfo(lcX11) << "the pointer is not followed:"
                      << (onXWayland ? "XWayland hears of it only over its windows" : "no XInput");
        return nullptr;
    }
    // Raw events reach the root window's clients during other clients' grabs since 2.2.
    const auto version =
        Own(xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 2)) {
        qCInfo(lcX11) << "the pointer is not followed: no XInput 2.2";
        return nullptr;
    }
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           XCB_INPUT_XI_EVENT_MASK_RAW_MOTION | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
    qCInfo(lcX11) << "the pointer is followed: the input shape changes only while it is near";
    xcb_input_xi_select_events(c, DefaultScreen(c)->root, 1, &mask.head);
    xcb_flush(c);
    watch->notifier_ =
        new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read, watch.get());
    connect(watch->notifier_, &QSocketNotifier::activated, watch.get(), [w = watch.get()] {
        // A round trip made by a listener may leave further events queued.
        while (w->TakeEvents())
            emit w->Moved();
    });
    return watch;
}

PointerWatch::PointerWatch(xcb_connection_t* connection)
    : connection_(connection) {}

PointerWatch::~PointerWatch() {
    xcb_disconnect(connection_);
}

bool PointerWatch::TakeEvents() {
    bool moved = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        moved |= (event->response_type & 0x7f) == XCB_GE_GENERIC;
        std::free(event);
    }
    if (xcb_connection_has_error(connection_))
        notifier_->setEnabled(false); // the server went
    return moved;
}

bool PointerWatch::Near(const QRect& area, int margin) {
    const auto pointer = Own(xcb_query_pointer_reply(
        connection_, xcb_query_pointer(connection_, DefaultScreen(connection_)->root), nullptr));
    return pointer && pointer->same_screen &&
           area.adjusted(-margin, -margin, margin, margin)
               .contains(pointer->root_x, pointer->root_y);
}

} // namespace platform::x11
