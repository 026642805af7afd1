#include "CompositingManager.h"

#include "Connection.h"
#include "platform/Logging.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <xcb/xfixes.h>

namespace platform::x11 {

// Hears the server tell that the selection changed hands (XFixes selection notifications).
class CompositingManager::EventFilter : public QAbstractNativeEventFilter {
public:
    EventFilter(CompositingManager* watch, std::uint8_t firstEvent)
        : watch_(watch)
        , notify_(firstEvent + XCB_XFIXES_SELECTION_NOTIFY) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == notify_ &&
            reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event)->selection ==
                watch_->selection_)
            watch_->Check();
        return false; // the toolkit follows compositing managers too
    }

private:
    CompositingManager* watch_;
    std::uint8_t notify_;
};

CompositingManager::CompositingManager(xcb_connection_t* connection, xcb_atom_t selection)
    : connection_(connection)
    , selection_(selection) {}

CompositingManager::~CompositingManager() = default;

CompositingManager* CompositingManager::Instance() {
    static CompositingManager* instance = [] {
        xcb_connection_t* c = Connection();
        const xcb_query_extension_reply_t* xfixes =
            c ? xcb_get_extension_data(c, &xcb_xfixes_id) : nullptr;
        if (!xfixes || !xfixes->present)
            return static_cast<CompositingManager*>(nullptr);
        int screen = 0;
        const xcb_window_t root = DefaultScreen(c, &screen)->root;
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
        auto* watch = new CompositingManager(c, Atom(c, name.constData()));
        // Version 1 brought selection notifications; asking is part of using the extension.
        std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
        watch->filter_ = std::make_unique<EventFilter>(watch, xfixes->first_event);
        QCoreApplication::instance()->installNativeEventFilter(watch->filter_.get());
        xcb_xfixes_select_selection_input(
            c, root, watch->selection_,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        watch->Check();
        return watch;
    }();
    return instance;
}

void CompositingManager::Check() {
    const auto owner = Own(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    const bool runs = owner && owner->owner != XCB_WINDOW_NONE;
    if (runs != runs_ || !checked_) {
        qCInfo(lcX11) << (runs ? "a compositing manager draws the screen"
                               : "no compositing manager draws the screen");
        checked_ = true;
    }
    if (runs != runs_) {
        runs_ = runs;
        emit Changed(runs);
    }
}

} // namespace platform::x11
