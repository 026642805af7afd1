#include "X11Windows.h"

#include <cstdlib>
#include <cstring>
#include <memory>

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

QList<Window> Display::windowsOf(qint64 pid) {
    QList<Window> windows;
    if (!connection_)
        return windows;
    auto tree =
        Own(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, screen_->root), nullptr));
    if (!tree)
        return windows;
    const xcb_atom_t pidAtom = atom("_NET_WM_PID");
    const xcb_atom_t nameAtom = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    const xcb_atom_t motif = atom("_MOTIF_WM_HINTS");

    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        Window w;
        w.id = children[i];
        const QByteArray pidBytes = property(w.id, pidAtom, XCB_ATOM_CARDINAL);
        if (pidBytes.size() < 4)
            continue;
        std::uint32_t owner = 0;
        std::memcpy(&owner, pidBytes.constData(), 4);
        w.pid = owner;
        if (w.pid != pid)
            continue;
        auto attributes = Own(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, w.id), nullptr));
        auto geometry =
            Own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, w.id), nullptr));
        if (!attributes || !geometry)
            continue;
        w.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        w.overrideRedirect = attributes->override_redirect;
        w.geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
        QByteArray title = property(w.id, nameAtom, utf8);
        if (title.isEmpty())
            title = property(w.id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        w.title = QString::fromUtf8(title);
        // flags, functions, decorations, input mode, status: decorations given and none.
        const QByteArray hints = property(w.id, motif, motif);
        if (hints.size() >= 12) {
            std::uint32_t values[3] = {};
            std::memcpy(values, hints.constData(), 12);
            w.undecorated = (values[0] & 2) && values[2] == 0;
        }
        windows.append(w);
    }
    return windows;
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
