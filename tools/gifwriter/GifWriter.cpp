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

} // namespace

std::string WriteGif(const std::string& path, const Animation& animation) {
    if (animation.width <= 0 || animation.height <= 0 || animation.frames.empty())
        return "empty animation";
    if (animation.palette.empty() || animation.palette.size() > 256)
        return "palette must hold 1 to 256 colours";
    const std::size_t area = static_cast<std::size_t>(animation.width) * animation.height;
    for (const Frame& frame : animation.frames) {
        if (frame.pixels.size() != area)
            return "frame size does not match the picture";
    }

    const int colourCount = PaddedColourCount(animation.palette.size());
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(colourCount, nullptr));
    if (!map)
        return "cannot make colour map";
    for (int i = 0; i < colourCount; ++i) {
        const Rgb c = i < static_cast<int>(animation.palette.size()) ? animation.palette[i] : Rgb{};
        map->Colors[i] = GifColorType{c.r, c.g, c.b};
    }

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

    if (EGifPutScreenDesc(gif, animation.width, animation.height, 8, 0, map.get()) == GIF_ERROR)
        return fail("screen descriptor");

    if (animation.loops >= 0) {
        static const char netscape[] = "NETSCAPE2.0";
        const GifByteType loopBlock[3] = {1, static_cast<GifByteType>(animation.loops & 0xff),
                                          static_cast<GifByteType>((animation.loops >> 8) & 0xff)};
        if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, 11, netscape) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, 3, loopBlock) == GIF_ERROR ||
            EGifPutExtensionTrailer(gif) == GIF_ERROR)
            return fail("loop block");
    }

    for (const Frame& frame : animation.frames) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_BACKGROUND;
        control.DelayTime = frame.delayCs;
        control.TransparentColor = frame.transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
            GIF_ERROR)
            return fail("graphics control block");
        if (EGifPutImageDesc(gif, frame.left, frame.top, animation.width, animation.height, false,
                             nullptr) == GIF_ERROR)
            return fail("image descriptor");
        std::vector<GifPixelType> line(animation.width);
        for (int y = 0; y < animation.height; ++y) {
            const auto* row = frame.pixels.data() + static_cast<std::size_t>(y) * animation.width;
            line.assign(row, row + animation.width);
            if (EGifPutLine(gif, line.data(), animation.width) == GIF_ERROR)
                return fail("image data");
        }
    }

    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        return Failure("closing file", error);
    return {};
}

} // namespace gifwriter
