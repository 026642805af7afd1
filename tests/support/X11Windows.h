#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <xcb/xcb.h>

namespace x11 {

struct Window {
    xcb_window_t id = 0;
    QString title;
    QRect geometry;
    bool viewable = false;
    bool overrideRedirect = false;
    qint64 pid = -1;
    // From _MOTIF_WM_HINTS: whether the window asks for no frame and title bar.
    bool undecorated = false;
};

// A connection to the X server named by DISPLAY, for looking at other programs' windows.
class Display {
public:
    Display();
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    bool connected() const { return connection_ != nullptr; }
    // The top-level windows (children of the root window) that belong to process `pid`.
    QList<Window> windowsOf(qint64 pid);
    // Asks a window to close, as a window manager's close button does.
    void requestClose(xcb_window_t window);

private:
    xcb_atom_t atom(const char* name);
    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type);

    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace x11
