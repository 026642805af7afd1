#pragma once

#include <QImage>
#include <QList>
#include <QRegion>
#include <QStringList>
#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace x11 {

// A top-level window of a program, as another client of the X server sees it.
struct Window {
    xcb_window_t id = 0;
    QString title;
    // Its own area in root coordinates (inside a window manager's frame, if any).
    QRect geometry;
    bool viewable = false;
    // Left out of the window manager's hands (no frame, no task-bar entry).
    bool overrideRedirect = false;
};

// A connection to the X server named by DISPLAY, for looking at other programs' windows and
// acting as a user does.
class Display {
public:
    Display();
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    bool connected() const { return connection_ != nullptr; }

    // The top-level windows of process `pid`, children of the root or in a manager's frames.
    QList<Window> windowsOf(qint64 pid);
    // Names of the atoms in an ATOM list property (_NET_WM_STATE …), and the numbers of a
    // CARDINAL or WINDOW one (_NET_FRAME_EXTENTS, WM_TRANSIENT_FOR …), of the root window
    // when `window` is 0.
    QStringList atoms(xcb_window_t window, const char* property);
    QList<std::uint32_t> numbers(xcb_window_t window, const char* property,
                                 xcb_atom_t type = XCB_ATOM_CARDINAL);
    // The window and its manager's frame (_NET_FRAME_EXTENTS) in root coordinates.
    QRect framed(const Window& window);
    // Whether a compositing manager runs (it owns the _NET_WM_CM_S0 selection).
    bool compositingManagerRuns();
    // The window's depth in bits (0 for no such window).
    int depth(xcb_window_t window);
    // Whether `upper` (with its frame) is stacked above `lower`.
    bool stackedAbove(xcb_window_t upper, xcb_window_t lower);
    // Asks a window to close, as a window manager's close button does.
    void requestClose(xcb_window_t window);
    // The window's bounding shape (or the part that takes the mouse: XCB_SHAPE_SK_INPUT), in
    // its own coordinates (its whole area when unshaped).
    QRegion shape(xcb_window_t window, xcb_shape_kind_t kind = XCB_SHAPE_SK_BOUNDING);
    // What the screen shows in a rectangle of the root window.
    QImage screenImage(const QRect& area);
    // The pixels of a window with an alpha channel that are not wholly transparent, and the
    // part of it that takes the mouse, read at one moment (other clients wait meanwhile).
    QRegion drawnAndInput(xcb_window_t window, QRegion& input);
    xcb_window_t inputFocus();
    // What the pixmaps held in the server by the program that made `window` take
    // (X-Resource), -1 unknown.
    qint64 pixmapBytes(xcb_window_t window);
    // How many resources of any kind that program holds in the server, -1 unknown.
    int resources(xcb_window_t window);
    // How many connections to the server process `pid` has open (X-Resource).
    int clientsOf(qint64 pid);
    // A plain window of the test's own at `area`, below every other, that notes button
    // presses; buttonPresses() lists them (in root coordinates).
    xcb_window_t createWindowBeneath(const QRect& area);
    void destroyWindow(xcb_window_t window);
    QList<QPoint> buttonPresses();
    // Maps a window of the test's own over `area`, above every other, and takes it away.
    void coverAndUncover(const QRect& area);
    // Shows an ordinary window of the test's own, as large as the screen and of one colour,
    // and asks the window manager to activate it, as a user's click would.
    void showActiveWindow(QRgb colour);
    // Moves the pointer there (and clicks the left button), through XTest.
    void movePointer(const QPoint& rootPosition);
    void click(const QPoint& rootPosition);
    // Presses or releases the key that types `keysym` (an X keysym such as 0xffbe for F1).
    void key(std::uint32_t keysym, bool press);
    void keyClick(std::uint32_t keysym) { key(keysym, true), key(keysym, false); }

private:
    xcb_atom_t atom(const char* name);
    QByteArray property(xcb_window_t window, const char* name, xcb_atom_t type);
    QList<xcb_window_t> children(xcb_window_t window);
    void collect(xcb_window_t parent, qint64 pid, int depth, QList<Window>& found);
    xcb_window_t topLevelOf(xcb_window_t window);
    void paint(xcb_window_t window, const QSize& size, std::uint32_t pixel);
    // A window of the screen's own kind filled with `pixel`, shown.
    xcb_window_t mapWindow(const QRect& area, std::uint32_t pixel, bool overrideRedirect);
    // A client message of `type` about `window`, holding `value`, sent to `to`.
    void sendMessage(xcb_window_t to, xcb_window_t window, const char* type, std::uint32_t value,
                     std::uint32_t mask);

    QList<QPoint> presses_;
    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace x11
