#pragma once

#include "KeyWay.h"

#include <functional>

namespace platform {

class ServerReplay;

// What the two X ways share: the window's own native window shows, and contents seen before
// come back from the X server (ServerReplay, kept by the colour key across a change of way)
// with their mask as the shape that the way sets.
class XWay : public KeyWay {
public:
    XWay(QWidget* window, std::function<ServerReplay*()> replay)
        : window_(window)
        , replay_(std::move(replay)) {}
    void Keep(std::size_t stamp, const QImage& content, const QRegion& mask) override;

protected:
    // The window's replay, where it has one.
    ServerReplay* Replay() const { return replay_(); }

    QWidget* window_;

private:
    std::function<ServerReplay*()> replay_;
};

} // namespace platform
