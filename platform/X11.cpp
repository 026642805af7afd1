#include "X11.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTransform>
#include <QWindow>
#include <cstring>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xfixes.h>

namespace platform::x11 {

xcb_connection_t* Connection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11)
        return nullptr;
    return x11->connection();
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const auto reply = Own(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_screen_t* DefaultScreen(xcb_connection_t* connection, int* number) {
    char* host = nullptr;
    int display = 0, screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen))
        std::free(host);
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && roots.rem > 1; ++i)
        xcb_screen_next(&roots);
    if (number)
        *number = screen;
    return roots.data;
}

int Depth(QWindow* window) {
    xcb_connection_t* c = Connection();
    if (!c || !window)
        return 0;
    const auto geometry = Own(xcb_get_geometry_reply(
        c, xcb_get_geometry(c, static_cast<xcb_window_t>(window->winId())), nullptr));
    return geometry ? geometry->depth : 0;
}

std::vector<xcb_rectangle_t> Rectangles(const QRegion& region) {
    std::vector<xcb_rectangle_t> rectangles;
    for (const QRect& r : region)
        rectangles.push_back({static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
                              static_cast<std::uint16_t>(r.width()),
                              static_cast<std::uint16_t>(r.height())});
    return rectangles;
}

void SetInputShape(QWindow* window, const QRegion& region) {
    xcb_connection_t* c = Connection();
    if (!c || !window)
        return;
    // In the native window's device pixels.
    const qreal ratio = window->devicePixelRatio();
    const std::vector<xcb_rectangle_t> rectangles =
        Rectangles(QTransform::fromScale(ratio, ratio).map(region));
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                         static_cast<xcb_window_t>(window->winId()), 0, 0,
                         static_cast<std::uint32_t>(rectangles.size()), rectangles.data());
    xcb_flush(c);
}

void ResetInputShape(QWindow* window) {
    if (xcb_connection_t* c = Connection(); c && window) {
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                       static_cast<xcb_window_t>(window->winId()), 0, 0, XCB_PIXMAP_NONE);
        xcb_flush(c);
    }
}

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
    if (runs != runs_) {
        runs_ = runs;
        emit Changed(runs);
    }
}

} // namespace platform::x11
