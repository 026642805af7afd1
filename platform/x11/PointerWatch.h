#pragma once

#include <QObject>
#include <cstdint>
#include <memory>

struct xcb_connection_t;
class QRect;
class QSocketNotifier;

namespace platform::x11 {

// Tells when the pointer moves or a button is pressed anywhere on the screen, and whether the
// pointer is over a window or close to it. XInput 2's raw events on the root window reach a
// client wherever the pointer is, whoever has grabbed it, and only while it moves: a resting
// pointer costs nothing. On a connection of its own, so that the toolkit's own XInput
// selections on the root window stay as they are.
class PointerWatch : public QObject {
    Q_OBJECT

public:
    // The watch of DISPLAY's pointer, or null where it cannot be followed: no XInput 2.2, or
    // XWayland, which hears of the pointer only while it is over one of its own windows.
    static std::unique_ptr<PointerWatch> Connect();
    ~PointerWatch() override;

    // Whether the pointer is within `margin` pixels of `area`, in the root window's pixels (a
    // round trip to the server).
    bool Near(const QRect& area, int margin);

signals:
    // The pointer moved, or a button was pressed: once for a burst of such events.
    void Moved();

private:
    explicit PointerWatch(xcb_connection_t* connection);
    // Reads what the server sent; true when the pointer moved meanwhile.
    bool TakeEvents();

    xcb_connection_t* connection_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform::x11
