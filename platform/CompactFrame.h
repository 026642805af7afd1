#pragma once

#include <QImage>

namespace platform {

// The frame with one byte a pixel when it has at most 256 colours (exactly those, as its
// colour table), else the frame as it is.
QImage CompactFrame(const QImage& frame);
// Writes a frame made by CompactFrame as 32-bit pixels (the bits the frame had) into `out`,
// rows `stride` bytes apart.
void ExpandFrame(const QImage& compact, uchar* out, qsizetype stride);

} // namespace platform
