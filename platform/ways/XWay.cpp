#include "XWay.h"

#include "platform/ServerReplay.h"

namespace platform {

void XWay::Keep(std::size_t stamp, const QImage& content, const QRegion& mask) {
    if (ServerReplay* replay = Replay())
        replay->Keep(stamp, content, mask);
}

} // namespace platform
