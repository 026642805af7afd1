#include "FrameHints.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
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
    // Other platforms (the offscreen one included) may offer the interface without a
    // connection behind it.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection() ||
        !window->windowHandle())
        return;
    xcb_connection_t* connection = x11->connection();
    static constexpr char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    if (!atom)
        return;
    const std::uint32_t hints[5] = {HintsFunctions | HintsDecorations, FunctionMove | FunctionClose,
                                    DecorationBorder | DecorationTitle | DecorationMenu, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), atom->atom, atom->atom, 32, 5,
                        hints);
    std::free(atom);
}

} // namespace platform
