#include "X11Windows.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/shape.h>
#include <xcb/xtest.h>

namespace x11 {

namespace {

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <class T> Reply<T> Own(T* reply) {
    return Reply<T>(reply, &std::free);
}

} // namespace

Display::Display() {
    int screenNumber = 0;
    connection_ = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&it);
    screen_ = it.data;
}

Display::~Display() {
    if (connection_)
        xcb_disconnect(connection_);
}

xcb_atom_t Display::atom(const char* name) {
    auto reply = Own(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray Display::property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    auto reply = Own(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, name, type, 0, 4096), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
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
        collectWindowsOf(screen_->root, pid, 0, windows);
    return windows;
}

void Display::collectWindowsOf(xcb_window_t parent, qint64 pid, int depth, QList<Window>& found) {
    const xcb_atom_t pidAtom = atom("_NET_WM_PID");
    const xcb_atom_t nameAtom = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    const xcb_atom_t motif = atom("_MOTIF_WM_HINTS");

    for (const xcb_window_t child : children(parent)) {
        Window w;
        w.id = child;
        const QByteArray pidBytes = property(w.id, pidAtom, XCB_ATOM_CARDINAL);
        if (pidBytes.size() < 4) {
            // A window manager's frame holds the program's window a level or two down.
            if (depth < 3)
                collectWindowsOf(child, pid, depth + 1, found);
            continue;
        }
        std::uint32_t owner = 0;
        std::memcpy(&owner, pidBytes.constData(), 4);
        w.pid = owner;
        if (w.pid != pid)
            continue;
        auto attributes = Own(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, w.id), nullptr));
        auto geometry =
            Own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, w.id), nullptr));
        auto origin = Own(xcb_translate_coordinates_reply(
            connection_, xcb_translate_coordinates(connection_, w.id, screen_->root, 0, 0),
            nullptr));
        if (!attributes || !geometry || !origin)
            continue;
        w.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        w.overrideRedirect = attributes->override_redirect;
        w.geometry = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        QByteArray title = property(w.id, nameAtom, utf8);
        if (title.isEmpty())
            title = property(w.id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        w.title = QString::fromUtf8(title);
        w.states = atomList(w.id, "_NET_WM_STATE");
        w.types = atomList(w.id, "_NET_WM_WINDOW_TYPE");
        w.allowedActions = atomList(w.id, "_NET_WM_ALLOWED_ACTIONS");
        const QList<std::uint32_t> extents = cardinals(w.id, "_NET_FRAME_EXTENTS");
        if (extents.size() == 4)
            w.frame = QMargins(extents[0], extents[2], extents[1], extents[3]);
        // flags, functions, decorations, input mode, status: decorations given and none;
        // functions given without minimise (8) or maximise (16), unless "all" (1) is set.
        const QByteArray hints = property(w.id, motif, motif);
        if (hints.size() >= 12) {
            std::uint32_t values[3] = {};
            std::memcpy(values, hints.constData(), 12);
            w.undecorated = (values[0] & 2) && values[2] == 0;
            if (values[0] & 1) {
                const bool all = values[1] & 1;
                w.canMinimise = all != bool(values[1] & 8);
                w.canMaximise = all != bool(values[1] & 16);
            }
        }
        const QByteArray transient = property(w.id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW);
        if (transient.size() >= 4)
            std::memcpy(&w.transientFor, transient.constData(), 4);
        found.append(w);
    }
}

bool Display::windowManagerRuns() {
    auto owner = Own(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, atom("WM_S0")), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

QRect Display::workArea() {
    const QList<std::uint32_t> area = cardinals(screen_->root, "_NET_WORKAREA");
    if (area.size() >= 4)
        return QRect(area[0], area[1], area[2], area[3]);
    return QRect(0, 0, screen_->width_in_pixels, screen_->height_in_pixels);
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
    // The root's children come bottom first.
    const QList<xcb_window_t> order = children(screen_->root);
    return order.indexOf(topLevelOf(upper)) > order.indexOf(topLevelOf(lower));
}

xcb_window_t Display::createTopPanel(int height) {
    const xcb_window_t id = xcb_generate_id(connection_);
    const std::uint32_t values[] = {screen_->black_pixel};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, id, screen_->root, 0, 0,
                      screen_->width_in_pixels, height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen_->root_visual, XCB_CW_BACK_PIXEL, values);
    const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &dock);
    // left, right, top, bottom, then the start and end of each strip.
    const std::uint32_t strut[12] = {
        0, 0, std::uint32_t(height), 0, 0, 0, 0, 0, 0, std::uint32_t(screen_->width_in_pixels - 1),
        0, 0};
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_STRUT_PARTIAL"),
                        XCB_ATOM_CARDINAL, 32, 12, strut);
    xcb_map_window(connection_, id);
    xcb_flush(connection_);
    return id;
}

void Display::requestClose(xcb_window_t window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection_);
}

} // namespace x11

namespace x11 {

QString Display::atomName(xcb_atom_t atom) {
    auto reply =
        Own(xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr));
    if (!reply)
        return {};
    return QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                               xcb_get_atom_name_name_length(reply.get()));
}

QStringList Display::atomList(xcb_window_t window, const char* property) {
    const QByteArray bytes = this->property(window, atom(property), XCB_ATOM_ATOM);
    QStringList names;
    for (int i = 0; i + 4 <= bytes.size(); i += 4) {
        xcb_atom_t value = 0;
        std::memcpy(&value, bytes.constData() + i, 4);
        names << atomName(value);
    }
    return names;
}

QList<std::uint32_t> Display::cardinals(xcb_window_t window, const char* name) {
    const QByteArray bytes = property(window, atom(name), XCB_ATOM_CARDINAL);
    QList<std::uint32_t> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.constData(), values.size() * 4);
    return values;
}

QRegion Display::shape(xcb_window_t window) {
    auto reply = Own(xcb_shape_get_rectangles_reply(
        connection_, xcb_shape_get_rectangles(connection_, window, XCB_SHAPE_SK_BOUNDING),
        nullptr));
    QRegion region;
    if (!reply)
        return region;
    const xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(reply.get());
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply.get()); ++i)
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
    const QImage view(xcb_get_image_data(reply.get()), area.width(), area.height(),
                      QImage::Format_RGB32);
    return view.copy();
}

xcb_window_t Display::inputFocus() {
    auto reply =
        Own(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
}

xcb_window_t Display::createWindowBeneath(const QRect& area) {
    const xcb_window_t id = xcb_generate_id(connection_);
    const std::uint32_t values[] = {screen_->white_pixel, XCB_EVENT_MASK_BUTTON_PRESS};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, id, screen_->root, area.x(), area.y(),
                      area.width(), area.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen_->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_map_window(connection_, id);
    // Below every other window.
    const std::uint32_t below[] = {XCB_STACK_MODE_BELOW};
    xcb_configure_window(connection_, id, XCB_CONFIG_WINDOW_STACK_MODE, below);
    xcb_flush(connection_);
    return id;
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

void Display::click(const QPoint& at) {
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen_->root,
                        static_cast<std::int16_t>(at.x()), static_cast<std::int16_t>(at.y()), 0);
    xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    xcb_flush(connection_);
}

std::uint8_t Display::keyCode(std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto mapping = Own(xcb_get_keyboard_mapping_reply(
        connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, count), nullptr));
    if (!mapping)
        return 0;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perCode = mapping->keysyms_per_keycode;
    for (int i = 0; i < count; ++i)
        if (symbols[i * perCode] == keysym)
            return static_cast<std::uint8_t>(setup->min_keycode + i);
    return 0;
}

void Display::fakeKey(std::uint8_t type, std::uint32_t keysym) {
    if (const std::uint8_t code = keyCode(keysym)) {
        xcb_test_fake_input(connection_, type, code, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        xcb_flush(connection_);
    }
}

void Display::keyDown(std::uint32_t keysym) {
    fakeKey(XCB_KEY_PRESS, keysym);
}

void Display::keyUp(std::uint32_t keysym) {
    fakeKey(XCB_KEY_RELEASE, keysym);
}

void Display::keyClick(std::uint32_t keysym) {
    keyDown(keysym);
    keyUp(keysym);
}

void Display::flush() {
    xcb_flush(connection_);
}

} // namespace x11
