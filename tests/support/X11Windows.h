#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
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
    // Atom names of _NET_WM_STATE and _NET_WM_WINDOW_TYPE.
    QStringList states;
    QStringList types;
    // WM_TRANSIENT_FOR: the window it is a dialog of (the root window for the whole program).
    xcb_window_t transientFor = 0;
    // From _MOTIF_WM_HINTS: whether the frame offers minimising and maximising.
    bool canMinimise = true;
    bool canMaximise = true;
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

    // The window's bounding shape, in its own coordinates (its whole area when unshaped).
    QRegion shape(xcb_window_t window);
    // What the screen shows in a rectangle of the root window.
    QImage screenImage(const QRect& area);
    xcb_window_t inputFocus();
    // A plain window of the test's own, mapped at `area`, that notes button presses.
    xcb_window_t createWindowBeneath(const QRect& area);
    // Button presses the test's own windows received so far (positions in root coordinates).
    QList<QPoint> buttonPresses();
    // Moves the pointer and clicks the left button there, as a user would.
    void click(const QPoint& rootPosition);
    // Presses and releases the key that types `keysym` (an X keysym, such as 0xffbe for F1).
    void keyClick(std::uint32_t keysym);
    void flush();

private:
    xcb_atom_t atom(const char* name);
    QString atomName(xcb_atom_t atom);
    QStringList atomList(xcb_window_t window, const char* property);
    QList<QPoint> presses_;
    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type);

    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace x11
