#pragma once

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <xcb/xproto.h>

class QWidget;

namespace platform::x11 {

// Keeps a frameless top-level window above the others on X11 by its own means: the window is
// left out of the window manager's hands (override-redirect), so that no window manager or
// Wayland compositor frames, shadows, places or tiles it, and every window shape reaches the
// screen as it is set. Whenever a managed window comes above it (raised, activated, newly
// shown), the window puts itself back just above that one. Windows that are kept above
// themselves (_NET_WM_STATE_ABOVE: a message that must be seen) and unmanaged ones (menus,
// tooltips) stay above it, as they would over a top-most window. Some window managers (mutter,
// KWin) keep every override-redirect window above all managed ones and put it back there at
// once: against such a window the window gives way, rather than trade places with the window
// manager for as long as it shows.
class KeepAbove : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // Starts keeping `window` above, where the platform is X11; does nothing elsewhere.
    static void Start(QWidget* window);
    ~KeepAbove() override;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    explicit KeepAbove(QWidget* window);
    // Puts the window back above the managed windows that have come above it.
    void Restack();

    QPointer<QWidget> window_;
    bool pending_ = false;
    // The kept-above window that the window last went beneath, how often in a row the window
    // manager has put it back above that one, and since when.
    xcb_window_t lastBeneath_ = 0;
    int putBack_ = 0;
    QElapsedTimer putBackSince_;
    // Kept-above windows that the window manager keeps it above.
    QSet<xcb_window_t> givenWay_;
};

} // namespace platform::x11
