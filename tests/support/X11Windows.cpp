#include "X11Windows.h"

#include "platform/x11/Connection.h"

#include <QtEndian>
#include <cstdlib>
#include <xcb/res.h>
#include <xcb/xtest.h>

namespace x11 {

using platform::x11::Own;

Display::Display() {
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
}

Display::~Display() {
    if (connection_)
        xcb_disconnect(connection_);
}

xcb_atom_t Display::atom(const char* name) {
    return platform::x11::Atom(connection_, name);
}

QByteArray Display::property(xcb_window_t window, const char* name, xcb_atom_t type) {
    auto reply =
        Own(xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, window ? window : screen_->root,
                                                    atom(name), type, 0, 4096),
                                   nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QList<std::uint32_t> Display::numbers(xcb_window_t window, const char* name, xcb_atom_t type) {
    const QByteArray bytes = property(window, name, type);
    QList<std::uint32_t> values;
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4)
        values.append(qFromUnaligned<std::uint32_t>(bytes.constData() + i));
    return values;
}

QStringList Display::atoms(xcb_window_t window, const char* name) {
    QStringList names;
    for (const std::uint32_t value : numbers(window, name, XCB_ATOM_ATOM)) {
        auto reply = Own(
            xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, value), nullptr));
        if (reply)
            names << QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                         xcb_get_atom_name_name_length(reply.get()));
    }
    return names;
}

QList<xcb_window_t> Display::children(xcb_window_t window) {
    auto tree =
        Own(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    return QList<xcb_window_t>(first, first + xcb_query_tree_children_length(tree.get()));
}

QList<Window> Display::windowsOf(qint64 pid) {
    QList<Window> windows;
    if (connection_)
        collect(screen_->root, pid, 0, windows);
    return windows;
}

void Display::collect(xcb_window_t parent, qint64 pid, int depth, QList<Window>& found) {
    for (const xcb_window_t child : children(parent)) {
        const QList<std::uint32_t> owner = numbers(child, "_NET_WM_PID");
        if (owner.isEmpty()) {
            // A window manager's frame holds the program's window a level or two down.
            if (depth < 3)
                collect(child, pid, depth + 1, found);
            continue;
        }
        auto attributes = Own(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, child), nullptr));
        auto geometry =
            Own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, child), nullptr));
        auto origin = Own(xcb_translate_coordinates_reply(
            connection_, xcb_translate_coordinates(connection_, child, screen_->root, 0, 0),
            nullptr));
        if (owner.first() != pid || !attributes || !geometry || !origin)
            continue;
        found.append(
            {child, QString::fromUtf8(property(child, "_NET_WM_NAME", atom("UTF8_STRING"))),
             QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height),
             attributes->map_state == XCB_MAP_STATE_VIEWABLE, bool(attributes->override_redirect)});
    }
}

QRect Display::framed(const Window& window) {
    const QList<std::uint32_t> e = numbers(window.id, "_NET_FRAME_EXTENTS");
    return e.size() == 4 ? window.geometry.adjusted(-int(e[0]), -int(e[2]), e[1], e[3])
                         : window.geometry;
}

bool Display::compositingManagerRuns() {
    auto owner = Own(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, atom("_NET_WM_CM_S0")), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

int Display::depth(xcb_window_t window) {
    auto geometry =
        Own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    return geometry ? geometry->depth : 0;
}

xcb_window_t Display::topLevelOf(xcb_window_t window) {
    for (;;) {
        auto tree =
            Own(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
        if (!tree || tree->parent == screen_->root || tree->parent == XCB_WINDOW_NONE)
            return window;
        window = tree->parent;
    }
}

bool Display::stackedAbove(xcb_window_t upper, xcb_window_t lower) {
    const QList<xcb_window_t> order = children(screen_->root); // bottom first
    return order.indexOf(topLevelOf(upper)) > order.indexOf(topLevelOf(lower));
}

void Display::sendMessage(xcb_window_t to, xcb_window_t window, const char* type,
                          std::uint32_t value, std::uint32_t mask) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(type);
    event.data.data32[0] = value;
    xcb_send_event(connection_, 0, to, mask, reinterpret_cast<const char*>(&event));
    xcb_flush(connection_);
}

void Display::requestClose(xcb_window_t window) {
    sendMessage(window, window, "WM_PROTOCOLS", atom("WM_DELETE_WINDOW"), XCB_EVENT_MASK_NO_EVENT);
}

QRegion Display::shape(xcb_window_t window, xcb_shape_kind_t kind) {
    auto reply = Own(xcb_shape_get_rectangles_reply(
        connection_, xcb_shape_get_rectangles(connection_, window, kind), nullptr));
    QRegion region;
    const xcb_rectangle_t* rects =
        reply ? xcb_shape_get_rectangles_rectangles(reply.get()) : nullptr;
    for (int i = 0; reply && i < xcb_shape_get_rectangles_rectangles_length(reply.get()); ++i)
        region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    return region;
}

QImage Display::screenImage(const QRect& area) {
    auto reply =
        Own(xcb_get_image_reply(connection_,
                                xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root,
                                              area.x(), area.y(), area.width(), area.height(), ~0u),
                                nullptr));
    if (!reply || reply->depth != 24)
        return {};
    return QImage(xcb_get_image_data(reply.get()), area.width(), area.height(),
                  QImage::Format_RGB32)
        .copy();
}

QRegion Display::drawnAndInput(xcb_window_t window, QRegion& input) {
    xcb_grab_server(connection_);
    const auto geometry =
        Own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    auto reply = Own(xcb_get_image_reply(connection_,
                                         xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                                       window, 0, 0, geometry ? geometry->width : 0,
                                                       geometry ? geometry->height : 0, ~0u),
                                         nullptr));
    input = shape(window, XCB_SHAPE_SK_INPUT);
    xcb_ungrab_server(connection_);
    xcb_flush(connection_);
    if (!reply || reply->depth != 32)
        return {};
    // Runs of each row, in the order a region keeps them.
    QList<QRect> runs;
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(reply.get()));
    for (int y = 0; y < geometry->height; ++y)
        for (int x = 0, start = -1; x <= geometry->width; ++x) {
            const bool shows = x < geometry->width && pixels[y * geometry->width + x] >> 24;
            if (shows && start < 0)
                start = x;
            if (!shows && start >= 0) {
                runs.append(QRect(start, y, x - start, 1));
                start = -1;
            }
        }
    QRegion drawn;
    drawn.setRects(runs.constData(), int(runs.size()));
    return drawn;
}

xcb_window_t Display::inputFocus() {
    auto reply =
        Own(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
}

qint64 Display::pixmapBytes(xcb_window_t window) {
    // X-Resource knows a client by any resource it made.
    auto bytes = Own(xcb_res_query_client_pixmap_bytes_reply(
        connection_, xcb_res_query_client_pixmap_bytes(connection_, window), nullptr));
    return bytes ? qint64(bytes->bytes) + (qint64(bytes->bytes_overflow) << 32) : -1;
}

int Display::resources(xcb_window_t window) {
    auto reply = Own(xcb_res_query_client_resources_reply(
        connection_, xcb_res_query_client_resources(connection_, window), nullptr));
    if (!reply)
        return -1;
    int count = 0;
    for (auto type = xcb_res_query_client_resources_types_iterator(reply.get()); type.rem;
         xcb_res_type_next(&type))
        count += int(type.data->count);
    return count;
}

int Display::clientsOf(qint64 pid) {
    const xcb_res_client_id_spec_t every{0, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto reply = Own(xcb_res_query_client_ids_reply(
        connection_, xcb_res_query_client_ids(connection_, 1, &every), nullptr));
    if (!reply)
        return -1;
    int count = 0;
    for (auto id = xcb_res_query_client_ids_ids_iterator(reply.get()); id.rem;
         xcb_res_client_id_value_next(&id))
        count += *xcb_res_client_id_value_value(id.data) == std::uint32_t(pid);
    return count;
}

void Display::paint(xcb_window_t window, const QSize& size, std::uint32_t pixel) {
    // Once the window is shown: XWayland passes on drawing, not a background of its own.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    const xcb_gcontext_t gc = xcb_generate_id(connection_);
    xcb_create_gc(connection_, gc, window, XCB_GC_FOREGROUND, &pixel);
    const xcb_rectangle_t all = {0, 0, std::uint16_t(size.width()), std::uint16_t(size.height())};
    xcb_poly_fill_rectangle(connection_, window, gc, 1, &all);
    xcb_free_gc(connection_, gc);
}

void Display::destroyWindow(xcb_window_t window) {
    xcb_destroy_window(connection_, window);
    xcb_flush(connection_);
}

xcb_window_t Display::createWindowBeneath(const QRect& area) {
    // White, and left where it is by window managers. With an alpha channel where the server
    // offers one: weston shows an override-redirect window of XWayland without one black.
    xcb_visualid_t visual = screen_->root_visual;
    std::uint8_t depth = XCB_COPY_FROM_PARENT;
    for (auto d = xcb_screen_allowed_depths_iterator(screen_); d.rem; xcb_depth_next(&d))
        if (d.data->depth == 32 && xcb_depth_visuals_length(d.data) > 0)
            visual = xcb_depth_visuals(d.data)->visual_id, depth = 32;
    const xcb_colormap_t colours = xcb_generate_id(connection_);
    xcb_create_colormap(connection_, XCB_COLORMAP_ALLOC_NONE, colours, screen_->root, visual);
    const std::uint32_t white = 0xffffffff;
    const std::uint32_t values[] = {white, 0, 1, XCB_EVENT_MASK_BUTTON_PRESS, colours};
    const xcb_window_t id = xcb_generate_id(connection_);
    xcb_create_window(connection_, depth, id, screen_->root, area.x(), area.y(), area.width(),
                      area.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT |
                          XCB_CW_EVENT_MASK | XCB_CW_COLORMAP,
                      values);
    xcb_map_window(connection_, id);
    paint(id, area.size(), white);
    const std::uint32_t below[] = {XCB_STACK_MODE_BELOW};
    xcb_configure_window(connection_, id, XCB_CONFIG_WINDOW_STACK_MODE, below);
    xcb_flush(connection_);
    return id;
}

xcb_window_t Display::mapWindow(const QRect& area, std::uint32_t pixel, bool overrideRedirect) {
    const xcb_window_t id = xcb_generate_id(connection_);
    const std::uint32_t values[] = {pixel, overrideRedirect};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, id, screen_->root, area.x(), area.y(),
                      area.width(), area.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen_->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(connection_, id);
    return id;
}

void Display::coverAndUncover(const QRect& area) {
    // Green, and left alone by window managers.
    xcb_destroy_window(connection_, mapWindow(area, 0x00ff00, true));
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void Display::showActiveWindow(QRgb colour) {
    const QSize size(screen_->width_in_pixels, screen_->height_in_pixels);
    const xcb_window_t id = mapWindow(QRect(QPoint(), size), colour & 0xffffff, false);
    paint(id, size, colour & 0xffffff);
    // From a pager (2): as the user asked.
    sendMessage(screen_->root, id, "_NET_ACTIVE_WINDOW", 2,
                XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
}

QList<QPoint> Display::buttonPresses() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS) {
            const auto* press = reinterpret_cast<xcb_button_press_event_t*>(event);
            presses_.append(QPoint(press->root_x, press->root_y));
        }
        std::free(event);
    }
    return presses_;
}

void Display::movePointer(const QPoint& at) {
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen_->root,
                        std::int16_t(at.x()), std::int16_t(at.y()), 0);
    xcb_flush(connection_);
}

void Display::click(const QPoint& at) {
    movePointer(at);
    for (std::uint8_t type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE})
        xcb_test_fake_input(connection_, type, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_flush(connection_);
}

void Display::key(std::uint32_t keysym, bool press) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto mapping = Own(xcb_get_keyboard_mapping_reply(
        connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, count), nullptr));
    for (int i = 0; mapping && i < count; ++i)
        if (xcb_get_keyboard_mapping_keysyms(mapping.get())[i * mapping->keysyms_per_keycode] ==
            keysym) {
            xcb_test_fake_input(connection_, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE,
                                std::uint8_t(setup->min_keycode + i), XCB_CURRENT_TIME,
                                XCB_WINDOW_NONE, 0, 0, 0);
            xcb_flush(connection_);
            return;
        }
}

} // namespace x11
