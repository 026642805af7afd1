#include "GifWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gif_lib.h>
#include <memory>
#include <unistd.h>

namespace gifwriter {

namespace {

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

std::string Failure(const char* what, int code) {
    const char* reason = GifErrorString(code);
    return std::string(what) + ": " + (reason ? reason : "unknown giflib error");
}

int PaddedColourCount(std::size_t colours) {
    int count = 2;
    while (static_cast<std::size_t>(count) < colours)
        count *= 2;
    return count;
}

// A colour table padded to a power of two, or none for no colours.
std::unique_ptr<ColorMapObject, MapDeleter> ColourMap(const std::vector<Rgb>& palette) {
    if (palette.empty())
        return nullptr;
    const int count = PaddedColourCount(palette.size());
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(count, nullptr));
    for (int i = 0; map && i < count; ++i) {
        const Rgb c = i < static_cast<int>(palette.size()) ? palette[i] : Rgb{};
        map->Colors[i] = GifColorType{c.r, c.g, c.b};
    }
    return map;
}

} // namespace

std::string WriteGif(const std::string& path, const Animation& animation) {
    if (animation.width < 0 || animation.height < 0 || animation.frames.empty())
        return "empty animation";
    if (animation.palette.empty() || animation.palette.size() > 256)
        return "palette must hold 1 to 256 colours";
    for (const Frame& frame : animation.frames) {
        const std::size_t width = frame.width ? frame.width : animation.width;
        const std::size_t height = frame.height ? frame.height : animation.height;
        if (frame.pixels.size() != width * height || frame.palette.size() > 256)
            return "frame size does not match its pixels";
    }
    const auto map = ColourMap(animation.palette);
    if (!map)
        return "cannot make colour map";

    // Opened by hand: giflib would create the file readable by its owner only.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        return "cannot create file: " + std::string(std::strerror(errno));
    int error = 0;
    GifFileType* gif = EGifOpenFileHandle(fd, &error);
    if (!gif) {
        close(fd);
        return Failure("cannot create file", error);
    }
    EGifSetGifVersion(gif, true);

    auto fail = [gif](const char* what) {
        const std::string message = Failure(what, gif->Error);
        int ignored = 0;
        EGifCloseFile(gif, &ignored);
        return message;
    };

    if (EGifPutScreenDesc(gif, animation.width, animation.height, 8, animation.backgroundIndex,
                          map.get()) == GIF_ERROR)
        return fail("screen descriptor");

    const auto putLoopBlock = [&] {
        const GifByteType loopBlock[3] = {1, static_cast<GifByteType>(animation.loops & 0xff),
                                          static_cast<GifByteType>((animation.loops >> 8) & 0xff)};
        return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
               EGifPutExtensionBlock(gif, 11, animation.loopName.c_str()) != GIF_ERROR &&
               EGifPutExtensionBlock(gif, 3, loopBlock) != GIF_ERROR &&
               EGifPutExtensionTrailer(gif) != GIF_ERROR;
    };
    const int frameCount = static_cast<int>(animation.frames.size());
    for (int f = 0; f <= frameCount; ++f) {
        if (animation.loops >= 0 && f == animation.loopBeforeFrame && !putLoopBlock())
            return fail("loop block");
        if (f == frameCount)
            break;
        const Frame& frame = animation.frames[f];
        GraphicsControlBlock control{};
        control.DisposalMode = frame.disposal;
        control.DelayTime = frame.delayCs;
        control.TransparentColor = frame.transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
            GIF_ERROR)
            return fail("graphics control block");
        const int width = frame.width ? frame.width : animation.width;
        const int height = frame.height ? frame.height : animation.height;
        const auto local = ColourMap(frame.palette);
        if (EGifPutImageDesc(gif, frame.left, frame.top, width, height, frame.interlaced,
                             local.get()) == GIF_ERROR)
            return fail("image descriptor");
        std::vector<GifPixelType> line(width);
        for (int y = 0; y < height; ++y) {
            const auto* row = frame.pixels.data() + static_cast<std::size_t>(y) * width;
            line.assign(row, row + width);
            if (EGifPutLine(gif, line.data(), width) == GIF_ERROR)
                return fail("image data");
        }
    }

    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        return Failure("closing file", error);
    return {};
}

} // namespace gifwriter
