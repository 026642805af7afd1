#include "FrameShown.h"

#include "Connection.h"
#include "platform/Logging.h"

#include <QSocketNotifier>
#include <xcb/present.h>

namespace platform::x11 {

std::unique_ptr<FrameShown> FrameShown::Connect() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    std::unique_ptr<FrameShown> shown(new FrameShown(c));
    const xcb_query_extension_reply_t* present =
        xcb_connection_has_error(c) ? nullptr : xcb_get_extension_data(c, &xcb_present_id);
    if (!present || !present->present) {
        qCInfo(lcX11) << "frames shown are not told: no Present extension";
        return nullptr;
    }
    std::free(xcb_present_query_version_reply(c, xcb_present_query_version(c, 1, 0), nullptr));
    shown->opcode_ = present->major_opcode;
    shown->notifier_ =
        new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read, shown.get());
    connect(shown->notifier_, &QSocketNotifier::activated, shown.get(), &FrameShown::TakeEvents);
    return shown;
}

FrameShown::FrameShown(xcb_connection_t* connection)
    : connection_(connection) {}

FrameShown::~FrameShown() {
    xcb_disconnect(connection_);
}

void FrameShown::Ask(xcb_window_t window) {
    if (window != window_) {
        // The window made anew (a compositing manager came or went) is another one.
        if (event_)
            xcb_present_select_input(connection_, event_, window_, 0);
        window_ = window;
        event_ = xcb_generate_id(connection_);
        xcb_present_select_input(connection_, event_, window_,
                                 XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
    }
    // At the next frame whatever its count.
    xcb_present_notify_msc(connection_, window_, ++serial_, 0, 1, 0);
    xcb_flush(connection_);
}

void FrameShown::TakeEvents() {
    bool shown = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const auto* complete = reinterpret_cast<const xcb_present_complete_notify_event_t*>(event);
        shown |= (event->response_type & 0x7f) == XCB_GE_GENERIC &&
                 complete->extension == opcode_ &&
                 complete->event_type == XCB_PRESENT_COMPLETE_NOTIFY &&
                 complete->kind == XCB_PRESENT_COMPLETE_KIND_NOTIFY_MSC &&
                 complete->window == window_ && complete->serial == serial_;
        std::free(event);
    }
    if (xcb_connection_has_error(connection_))
        notifier_->setEnabled(false); // the server went
    if (shown)
        emit Shown();
}

} // namespace platform::x11
