#pragma once

#include <QSize>

class QIODevice;

namespace platform {

// What a walk through a GIF stream's blocks finds, without decoding any picture.
struct GifLayout {
    // Every block is present up to the trailer, or up to the end of a last complete frame
    // where the trailer alone is missing. Qt's reader shows a cut-off file as a partly drawn
    // picture without any error, so a truncated file is caught here.
    bool complete = false;
    // The logical screen, which every decoded frame fills whatever the frames' own sizes.
    QSize screen;
    int frames = 0;
};

// Walks the GIF stream on `device` from its current position.
GifLayout WalkGif(QIODevice& device);

} // namespace platform
