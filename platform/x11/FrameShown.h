#pragma once

#include <QObject>
#include <memory>
#include <xcb/xcb.h>

class QSocketNotifier;

namespace platform::x11 {

// Tells when the window's next frame has reached the screen (the Present extension's
// notification at the window's next frame; XWayland counts those by the compositor's frame
// callbacks for the window, so by then XWayland has committed what was drawn before), on a
// connection of its own to the X server.
class FrameShown : public QObject {
    Q_OBJECT

public:
    // Null where the X server has no Present extension.
    static std::unique_ptr<FrameShown> Connect();
    ~FrameShown() override;
    // Asks to hear of `window`'s next frame.
    void Ask(xcb_window_t window);

signals:
    void Shown();

private:
    explicit FrameShown(xcb_connection_t* connection);
    void TakeEvents();

    xcb_connection_t* connection_;
    QSocketNotifier* notifier_ = nullptr;
    std::uint8_t opcode_ = 0;
    xcb_window_t window_ = 0;
    std::uint32_t event_ = 0;
    std::uint32_t serial_ = 0;
};

} // namespace platform::x11
