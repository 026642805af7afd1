#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

class QWidget;

namespace platform {

// Keeps a frameless top-level window above the others on X11 by its own means: the window is
// left out of the window manager's hands (override-redirect), so that no window manager or
// Wayland compositor frames, shadows, places or tiles it, and every window shape reaches the
// screen as it is set. Whenever a managed window comes above it (raised, activated, newly
// shown), the window puts itself back just above that one. Windows that are kept above
// themselves (_NET_WM_STATE_ABOVE: a message that must be seen) and unmanaged ones (menus,
// tooltips) stay above it, as they would over a top-most window.
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
};

} // namespace platform
