#include "KeepAbove.h"

#include "Connection.h"

#include <QCoreApplication>
#include <QList>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace platform::x11 {

namespace {

// Whether the client in `window` (perhaps inside a window manager's frame) asked to be kept
// above the others. Clients say so before their windows are shown; window managers mark
// their own windows later.
bool KeptAbove(xcb_connection_t* c, xcb_window_t window, int depth = 0) {
    const auto states = Own(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, Atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64),
        nullptr));
    if (states && states->type != XCB_ATOM_NONE) {
        const xcb_atom_t above = Atom(c, "_NET_WM_STATE_ABOVE");
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(states.get()));
        const int count = xcb_get_property_value_length(states.get()) / int(sizeof(xcb_atom_t));
        return std::find(atoms, atoms + count, above) != atoms + count;
    }
    const auto tree = Own(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree || depth >= 2)
        return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return std::any_of(children, children + xcb_query_tree_children_length(tree.get()),
                       [&](xcb_window_t child) { return KeptAbove(c, child, depth + 1); });
}

} // namespace

KeepAbove::KeepAbove(QWidget* window)
    : QObject(window)
    , window_(window) {}

KeepAbove::~KeepAbove() = default;

void KeepAbove::Start(QWidget* window) {
    xcb_connection_t* c = Connection();
    if (!c || window->findChild<KeepAbove*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    window->setWindowFlag(Qt::BypassWindowManagerHint);
    auto* keeper = new KeepAbove(window);
    QCoreApplication::instance()->installNativeEventFilter(keeper);
    // Told of every change to the stacking of the screen's windows, besides what the toolkit
    // asks of the root window for itself.
    const xcb_window_t root = DefaultScreen(c)->root;
    const auto attributes =
        Own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr));
    const std::uint32_t events =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &events);
    xcb_flush(c);
}

bool KeepAbove::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t kind = event->response_type & 0x7f;
    if (type != "xcb_generic_event_t" || pending_ || !window_ ||
        (kind != XCB_CONFIGURE_NOTIFY && kind != XCB_MAP_NOTIFY))
        return false;
    // Several changes come together: the stacking is looked at once they have.
    pending_ = true;
    QTimer::singleShot(0, this, &KeepAbove::Restack);
    return false;
}

void KeepAbove::Restack() {
    pending_ = false;
    xcb_connection_t* c = Connection();
    if (!c || !window_ || !window_->isVisible() || !window_->windowHandle())
        return;
    const auto own = static_cast<xcb_window_t>(window_->windowHandle()->winId());
    const xcb_window_t root = DefaultScreen(c)->root;
    const auto tree = Own(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!tree)
        return;
    const xcb_window_t* order = xcb_query_tree_children(tree.get()); // bottom first
    const int count = xcb_query_tree_children_length(tree.get());
    const int ownPlace = int(std::find(order, order + count, own) - order);
    if (ownPlace == count)
        return;
    // The window's place: above every shown managed window, below those kept above. Looked
    // for from the top down, all attributes asked for at once and the answers read in turn.
    std::vector<xcb_get_window_attributes_cookie_t> asked;
    for (int i = 0; i < count; ++i)
        asked.push_back(xcb_get_window_attributes(c, order[i]));
    int highestPlain = -1;
    QList<int> keptAbove; // bottom first
    QSet<xcb_window_t> stillGivenWay;
    for (int i = count - 1; i >= 0; --i) {
        const auto attributes = Own(xcb_get_window_attributes_reply(c, asked[i], nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        if (givenWay_.contains(order[i])) {
            stillGivenWay.insert(order[i]);
            continue;
        }
        if (highestPlain >= 0 || i == ownPlace || attributes->override_redirect)
            continue;
        if (KeptAbove(c, order[i]))
            keptAbove.prepend(i);
        else
            highestPlain = i;
    }
    std::uint32_t place[] = {0, XCB_STACK_MODE_ABOVE};
    givenWay_ = stillGivenWay;
    if (ownPlace < highestPlain) {
        place[0] = order[highestPlain];
    } else {
        const auto under =
            std::find_if(keptAbove.cbegin(), keptAbove.cend(), [&](int i) { return i < ownPlace; });
        if (under == keptAbove.cend())
            return;
        place[0] = order[*under];
        place[1] = XCB_STACK_MODE_BELOW;
        // Put back above it again and again within a moment: the window manager will have it
        // so (it answers each move at once, and the screen would flicker between the two).
        constexpr int PutBackAtMost = 4;
        if (place[0] != lastBeneath_ || putBackSince_.elapsed() > 1000) {
            lastBeneath_ = place[0];
            putBack_ = 0;
            putBackSince_.start();
        } else if (++putBack_ > PutBackAtMost) {
            givenWay_.insert(place[0]);
            return;
        }
    }
    xcb_configure_window(c, own, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, place);
    xcb_flush(c);
}

} // namespace platform::x11
