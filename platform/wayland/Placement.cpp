#include "Placement.h"

#include "platform/toolkit/Units.h"

#include <QTransform>
#include <cmath>

namespace platform::wayland {

namespace {

bool IsWhole(double scale) {
    return std::abs(scale - std::round(scale)) < 1e-3;
}

// A margin near `wanted` logical pixels that falls on a device pixel.
int OnDevicePixel(int wanted, double scale) {
    for (int off = 0; off <= 8; ++off)
        for (const int margin : {wanted - off, wanted + off})
            if (margin >= 0 && IsWhole(margin * scale))
                return margin;
    return std::max(0, wanted);
}

} // namespace

Placement Place(QSize picture, double scale, const QRect& output) {
    Placement placement;
    placement.scale = scale > 0 ? scale : 1;
    placement.picture = picture;
    placement.factor = WholeScaleFactor(placement.scale);
    const QSize device = picture * placement.factor;
    if (IsWhole(placement.scale)) {
        // The rule gives the whole scale itself.
        placement.scale = std::round(placement.scale);
        placement.bufferScale = int(placement.scale);
        placement.buffer = device;
        placement.logical = device / placement.bufferScale;
    } else {
        placement.viewport = true;
        // A logical size the compositor draws at whole device pixels (even ones at 1.5).
        const auto logical = [&](int pixels) {
            int size = int(std::ceil(pixels / placement.scale));
            for (int more = 0; more < 16 && !IsWhole(size * placement.scale); ++more)
                ++size;
            return size;
        };
        placement.logical = QSize(logical(device.width()), logical(device.height()));
        // What the compositor draws the surface at, in device pixels: the buffer's size, so
        // that it copies rather than resamples.
        const auto drawn = [&](int logical) { return int(std::lround(logical * placement.scale)); };
        placement.buffer =
            QSize(drawn(placement.logical.width()), drawn(placement.logical.height()))
                .expandedTo(device);
    }
    if (!output.isEmpty())
        placement.margin = QPoint(
            OnDevicePixel((output.width() - placement.logical.width()) / 2, placement.scale),
            OnDevicePixel((output.height() - placement.logical.height()) / 2, placement.scale));
    return placement;
}

QRegion Placement::ToLogical(const QRegion& picture) const {
    return factor == scale ? picture
                           : QTransform::fromScale(factor / scale, factor / scale).map(picture);
}

QPointF Placement::ToPicture(QPointF logical) const {
    return logical * (scale / factor);
}

QRect Placement::ToBuffer(const QRect& logical) const {
    const auto down = [&](int pixels) { return int(std::floor(pixels * scale)); };
    const auto up = [&](int pixels) { return int(std::ceil(pixels * scale)); };
    return QRect(QPoint(down(logical.left()), down(logical.top())),
                 QPoint(up(logical.right() + 1) - 1, up(logical.bottom() + 1) - 1)) &
           QRect(QPoint(), buffer);
}

} // namespace platform::wayland
