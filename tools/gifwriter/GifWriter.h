#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gifwriter {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Frame {
    // One palette index per pixel, row by row as the file holds them (an interlaced frame's
    // rows pass by pass), width × height of the frame.
    std::vector<std::uint8_t> pixels;
    // Delay after this frame, in hundredths of a second.
    int delayCs = 5;
    // Palette index shown as transparent, or -1.
    int transparentIndex = -1;
    // Where the frame stands on the logical screen; a file may place it anywhere, even
    // outside.
    int left = 0, top = 0;
    // Its size; 0 for the picture's.
    int width = 0, height = 0;
    // What becomes of its area when the next frame comes (1 keep, 2 clear, 3 restore).
    int disposal = 2;
    bool interlaced = false;
    // A colour table of the frame's own, or none.
    std::vector<Rgb> palette;
};

struct Animation {
    // The logical screen.
    int width = 0;
    int height = 0;
    // Up to 256 colours; padded to a power of two when written.
    std::vector<Rgb> palette;
    std::vector<Frame> frames;
    // 0 loops for ever; a positive count plays that many times more; -1 writes no loop block.
    int loops = 0;
    // The loop block stands before this frame (the number of frames: after the last), under
    // this name.
    int loopBeforeFrame = 0;
    std::string loopName = "NETSCAPE2.0";
    int backgroundIndex = 0;
};

// Writes an animated GIF. Returns an empty string on success, else what went wrong.
std::string WriteGif(const std::string& path, const Animation& animation);

} // namespace gifwriter
