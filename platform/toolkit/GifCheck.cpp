#include "GifCheck.h"

#include <QIODevice>
#include <gif_lib.h>

namespace platform {

namespace {

int ReadFromDevice(GifFileType* gif, GifByteType* buffer, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return static_cast<int>(device->read(reinterpret_cast<char*>(buffer), length));
}

// Walks the data sub-blocks of the current image or extension without decoding them.
bool SkipImageData(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

bool SkipExtension(GifFileType* gif) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

bool WalkRecords(GifFileType* gif, int& completeFrames) {
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return completeFrames > 0 && gif->Error == D_GIF_ERR_READ_FAILED;
        switch (record) {
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif) == GIF_ERROR || !SkipImageData(gif))
                return false;
            ++completeFrames;
            break;
        case EXTENSION_RECORD_TYPE:
            if (!SkipExtension(gif))
                return false;
            break;
        case TERMINATE_RECORD_TYPE:
            return completeFrames > 0;
        default:
            return false;
        }
    }
}

} // namespace

GifLayout WalkGif(QIODevice& device) {
    GifLayout layout;
    int error = 0;
    GifFileType* gif = DGifOpen(&device, ReadFromDevice, &error);
    if (!gif)
        return layout;
    layout.screen = QSize(gif->SWidth, gif->SHeight);
    layout.complete = WalkRecords(gif, layout.frames);
    DGifCloseFile(gif, &error);
    return layout;
}

} // namespace platform
