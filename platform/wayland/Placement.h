#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <optional>

namespace platform::wayland {

// How the figure's surface stands on its output: each picture pixel a block of whole device
// pixels (the program's rule for dense screens, as its windows follow it), never resampled.
// At whole scales the buffer is of that block size with a buffer scale; at fractional ones it
// is in device pixels and a viewport gives it its logical size, padded so that the compositor
// maps it pixel for pixel; its place on the output is one that falls on device pixels.
struct Placement {
    // Device pixels per logical pixel on the output.
    double scale = 1;
    // Device pixels a picture pixel takes, each way.
    int factor = 1;
    // wl_surface.set_buffer_scale; 1 where a viewport sizes the surface.
    int bufferScale = 1;
    bool viewport = false;
    // The picture's size, the buffer's (device pixels) and the surface's on the output.
    QSize picture;
    QSize buffer;
    QSize logical;
    // From the output's top-left corner, where the output is known (else the compositor
    // centres the surface on the output it chooses).
    std::optional<QPoint> margin;

    bool operator==(const Placement&) const = default;
    // Picture pixels to the surface's logical ones, each rectangle's edges to the nearest
    // logical edge, and back.
    QRegion ToLogical(const QRegion& picture) const;
    QPointF ToPicture(QPointF logical) const;
    // Logical to device pixels of the buffer, taking in every device pixel that `logical`
    // touches.
    QRect ToBuffer(const QRect& logical) const;
};

// The placement of a picture of `picture` on an output of `scale` whose logical rectangle is
// `output` (empty while not known).
Placement Place(QSize picture, double scale, const QRect& output);

} // namespace platform::wayland
