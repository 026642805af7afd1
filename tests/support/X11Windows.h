#pragma once

#include <QImage>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <xcb/xcb.h>

namespace x11 {

struct Window {
    xcb_window_t id = 0;
    QString title;
    // The window's own area in root coordinates (inside a window manager's frame, if any).
    QRect geometry;
    // _NET_FRAME_EXTENTS: the frame a window manager put around it.
    QMargins frame;
    bool viewable = false;
    bool overrideRedirect = false;
    qint64 pid = -1;
    // From _MOTIF_WM_HINTS: whether the window asks for no frame and title bar.
    bool undecorated = false;
    // Atom names of _NET_WM_STATE, _NET_WM_WINDOW_TYPE and, from a window manager,
    // _NET_WM_ALLOWED_ACTIONS.
    QStringList states;
    QStringList types;
    QStringList allowedActions;
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
    // The top-level windows that belong to process `pid`, children of the root window or
    // inside a window manager's frames.
    QList<Window> windowsOf(qint64 pid);
    // Whether a window manager runs (it owns the WM_S0 selection).
    bool windowManagerRuns();
    // The root window's _NET_WORKAREA of the first desktop (the whole screen without one).
    QRect workArea();
    // Whether `upper` (with its frame) is stacked above `lower`.
    bool stackedAbove(xcb_window_t upper, xcb_window_t lower);
    // A dock of the test's own along the top edge, `height` pixels tall, that reserves its
    // strip of the screen, as a desktop's panel does.
    xcb_window_t createTopPanel(int height);
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
    // Only presses it, or only releases it: a user's release comes a moment after the press,
    // when the press may have moved the focus to another window.
    void keyDown(std::uint32_t keysym);
    void keyUp(std::uint32_t keysym);
    void flush();

private:
    xcb_atom_t atom(const char* name);
    QString atomName(xcb_atom_t atom);
    QStringList atomList(xcb_window_t window, const char* property);
    QList<std::uint32_t> cardinals(xcb_window_t window, const char* property);
    // The child of the root window that holds `window` (its frame, or itself).
    xcb_window_t topLevelOf(xcb_window_t window);
    QList<xcb_window_t> children(xcb_window_t window);
    // The key code that types `keysym` (0 when there is none).
    std::uint8_t keyCode(std::uint32_t keysym);
    void fakeKey(std::uint8_t type, std::uint32_t keysym);
    void collectWindowsOf(xcb_window_t parent, qint64 pid, int depth, QList<Window>& found);
    QList<QPoint> presses_;
    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type);

    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace x11
