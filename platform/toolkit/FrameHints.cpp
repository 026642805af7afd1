#include "FrameHints.h"

#include "platform/x11/Connection.h"

#include <QWidget>
#include <xcb/xcb.h>

namespace platform {

namespace {

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
enum : std::uint32_t {
    HintsFunctions = 1,
    HintsDecorations = 2,
    FunctionMove = 4,
    FunctionClose = 32,
    DecorationBorder = 2,
    DecorationTitle = 8,
    DecorationMenu = 16,
};

} // namespace

void SetMoveAndCloseOnly(QWidget* window) {
    xcb_connection_t* connection = x11::Connection();
    if (!connection || !window->windowHandle())
        return;
    const xcb_atom_t hintsAtom = x11::Atom(connection, "_MOTIF_WM_HINTS");
    if (hintsAtom == XCB_ATOM_NONE)
        return;
    const std::uint32_t hints[5] = {HintsFunctions | HintsDecorations, FunctionMove | FunctionClose,
                                    DecorationBorder | DecorationTitle | DecorationMenu, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), hintsAtom, hintsAtom, 32, 5,
                        hints);
}

} // namespace platform
