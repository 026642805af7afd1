#include "XWay.h"

#include "platform/ServerReplay.h"

namespace platform {

void XWay::Keep(std::size_t stamp, const QImage& content, const QRegion& mask) {
    if (ServerReplay* replay = replay_())
        replay->Keep(stamp, content, mask);
}

bool XWay::Present(std::size_t stamp) {
    ServerReplay* replay = replay_();
    return replay && replay->Present(stamp, KeyByAlpha());
}

} // namespace platform
