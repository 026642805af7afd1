#include "Connection.h"

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

namespace {

void CombineInputShape(QWindow* window, const QRegion& region, xcb_shape_op_t op) {
    xcb_connection_t* c = Connection();
    if (!c || !window)
        return;
    // In the native window's device pixels.
    const qreal ratio = window->devicePixelRatio();
    const std::vector<xcb_rectangle_t> rectangles =
        Rectangles(QTransform::fromScale(ratio, ratio).map(region));
    xcb_shape_rectangles(c, op, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                         static_cast<xcb_window_t>(window->winId()), 0, 0,
                         static_cast<std::uint32_t>(rectangles.size()), rectangles.data());
    xcb_flush(c);
}

} // namespace

void SetInputShape(QWindow* window, const QRegion& region) {
    CombineInputShape(window, region, XCB_SHAPE_SO_SET);
}

void SubtractFromInputShape(QWindow* window, const QRegion& region) {
    CombineInputShape(window, region, XCB_SHAPE_SO_SUBTRACT);
}

void ResetInputShape(QWindow* window) {
    if (xcb_connection_t* c = Connection(); c && window) {
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                       static_cast<xcb_window_t>(window->winId()), 0, 0, XCB_PIXMAP_NONE);
        xcb_flush(c);
    }
}

} // namespace platform::x11
