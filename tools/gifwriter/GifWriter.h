#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gifwriter {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Frame {
    // One palette index per pixel, row by row, width × height of the picture.
    std::vector<std::uint8_t> pixels;
    // Delay after this frame, in hundredths of a second.
    int delayCs = 5;
    // Palette index shown as transparent, or -1.
    int transparentIndex = -1;
    // Where the frame (as large as the picture) stands on the logical screen; a file may
    // place it anywhere, even outside.
    int left = 0, top = 0;
};

struct Animation {
    int width = 0;
    int height = 0;
    // Up to 256 colours; padded to a power of two when written.
    std::vector<Rgb> palette;
    std::vector<Frame> frames;
    // 0 loops for ever; a positive count plays that many times; -1 writes no loop block.
    int loops = 0;
};

// Writes an animated GIF. Returns an empty string on success, else what went wrong.
std::string WriteGif(const std::string& path, const Animation& animation);

} // namespace gifwriter
