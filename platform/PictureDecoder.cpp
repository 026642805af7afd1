#include "PictureDecoder.h"

#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <vector>

namespace platform {

namespace {

int ReadFromDevice(GifFileType* gif, GifByteType* buffer, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return static_cast<int>(device->read(reinterpret_cast<char*>(buffer), length));
}

// What the extension blocks before a frame say.
struct Extensions {
    GraphicsControlBlock control{0, false, 0, NO_TRANSPARENT_COLOR};
    int repeats = -1;
    bool loopSeen = false;
};

bool IsLoopBlockName(const GifByteType* block) {
    // Older encoders name the same block after themselves.
    return block[0] == 11 && (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 ||
                              std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0);
}

bool ReadExtension(GifFileType* gif, Extensions& seen) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (block && code == GRAPHICS_EXT_FUNC_CODE)
        DGifExtensionToGCB(block[0], block + 1, &seen.control);
    bool loopBlock = block && code == APPLICATION_EXT_FUNC_CODE && IsLoopBlockName(block);
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
        // The first loop block counts, wherever it stands.
        if (loopBlock && block && block[0] >= 3 && block[1] == 1 && !seen.loopSeen) {
            seen.repeats = block[2] | block[3] << 8;
            seen.loopSeen = true;
        }
        loopBlock = false;
    }
    return true;
}

// Walks the data sub-blocks of the current frame without decoding them.
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

void NoteFrame(const GifImageDesc& frame, GifLayout& layout) {
    if (layout.frames++ == 0)
        layout.screen =
            layout.screen.expandedTo(QSize(frame.Left + frame.Width, frame.Top + frame.Height));
    layout.framePixels += qint64(frame.Width) * frame.Height;
}

bool WalkRecords(GifFileType* gif, GifLayout& layout, Extensions& seen) {
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return layout.frames > 0 && gif->Error == D_GIF_ERR_READ_FAILED;
        switch (record) {
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(gif) == GIF_ERROR || !SkipImageData(gif))
                return false;
            NoteFrame(gif->Image, layout);
            break;
        case EXTENSION_RECORD_TYPE:
            if (!ReadExtension(gif, seen))
                return false;
            break;
        case TERMINATE_RECORD_TYPE:
            return layout.frames > 0;
        default:
            return false;
        }
    }
}

// The colours a frame's indexes stand for: its own table or the file's, opaque black beyond.
void ColourTable(const ColorMapObject* map, QRgb (&colours)[256]) {
    std::fill(std::begin(colours), std::end(colours), qRgb(0, 0, 0));
    const int count = map ? std::min(map->ColorCount, 256) : 0;
    for (int i = 0; i < count; ++i)
        colours[i] = qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
}

bool FitsSides(QSize size) {
    return size.width() <= PictureLimits::MaxSide && size.height() <= PictureLimits::MaxSide;
}

} // namespace

GifLayout WalkGif(QIODevice& device) {
    GifLayout layout;
    int error = 0;
    GifFileType* gif = DGifOpen(&device, ReadFromDevice, &error);
    if (!gif)
        return layout;
    layout.screen = QSize(gif->SWidth, gif->SHeight);
    Extensions seen;
    layout.complete = WalkRecords(gif, layout, seen);
    layout.repeats = seen.repeats;
    DGifCloseFile(gif, &error);
    return layout;
}

PictureDecoder::PictureDecoder(const QString& path)
    : file_(path) {
    if (!file_.open(QIODevice::ReadOnly)) {
        problem_ = file_.errorString();
        return;
    }
    if (file_.peek(4) != "GIF8") {
        still_ = true;
        ReadStill();
        return;
    }
    layout_ = WalkGif(file_);
    const qint64 pixels = qint64(layout_.screen.width()) * layout_.screen.height();
    if (!layout_.complete)
        problem_ = QStringLiteral("incomplete GIF");
    else if (!FitsSides(layout_.screen) || pixels > PictureLimits::MaxFramePixels)
        problem_ = QStringLiteral("picture too large");
    else if (std::max(pixels * layout_.frames, layout_.framePixels) >
             PictureLimits::MaxPixelsToPlay)
        problem_ = QStringLiteral("animation too large to play");
    else if (pixels == 0)
        problem_ = QStringLiteral("empty picture");
    else if (!OpenGif())
        problem_ = QStringLiteral("cannot read GIF");
    else
        notes_ =
            std::size_t(std::clamp<qint64>(NotedBytes / (4 * pixels), 0, qint64(noted_.size())));
}

PictureDecoder::~PictureDecoder() {
    CloseGif();
}

void PictureDecoder::ReadStill() {
    QImageReader reader(&file_);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead()) {
        problem_ = reader.errorString();
        return;
    }
    // Absurd sizes from the header are refused before anything is allocated for them.
    if (reader.size().isValid() && !FitsSides(reader.size())) {
        problem_ = QStringLiteral("picture too large");
        return;
    }
    const QImage picture = reader.read();
    if (picture.isNull() || !FitsSides(picture.size())) {
        problem_ = picture.isNull() ? reader.errorString() : QStringLiteral("picture too large");
        return;
    }
    now_.picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    layout_.complete = true;
    layout_.screen = now_.picture.size();
    layout_.frames = 1;
    layout_.framePixels = qint64(now_.picture.width()) * now_.picture.height();
}

bool PictureDecoder::OpenGif() {
    file_.seek(0);
    int error = 0;
    gif_ = DGifOpen(&file_, ReadFromDevice, &error);
    if (!gif_)
        return false;
    now_ = Composed();
    now_.picture = QImage(layout_.screen, QImage::Format_ARGB32_Premultiplied);
    if (now_.picture.isNull())
        return false;
    now_.picture.fill(Qt::transparent);
    return true;
}

void PictureDecoder::CloseGif() {
    if (gif_) {
        int error = 0;
        DGifCloseFile(gif_, &error);
        gif_ = nullptr;
    }
}

void PictureDecoder::Rewind() {
    if (still_) {
        now_.frameNumber = -1;
        return;
    }
    CloseGif();
    if (problem_.isEmpty())
        OpenGif();
}

bool PictureDecoder::SeekTo(int wanted) {
    Noted* nearest = nullptr;
    for (std::size_t i = 0; i < notes_; ++i) {
        Noted& noted = noted_[i];
        const int at = noted.composed.frameNumber;
        if (at >= 0 && at <= wanted && (!nearest || at > nearest->composed.frameNumber))
            nearest = &noted;
    }
    const int here = now_.frameNumber <= wanted ? now_.frameNumber : -1;
    if (nearest && gif_ && nearest->composed.frameNumber > here) {
        // Between two blocks giflib reads nothing ahead: the file's place is all of its state
        // that the next frame needs.
        file_.seek(nearest->position);
        now_ = nearest->composed;
        nearest->used = ++uses_;
    } else if (now_.frameNumber > wanted) {
        Rewind();
    }
    const bool jumps = now_.frameNumber < wanted - 1;
    while (now_.frameNumber < wanted - 1 && Next()) {
    }
    if (jumps && gif_ && notes_ > 0 && now_.frameNumber == wanted - 1) {
        Noted* oldest = &noted_[0];
        for (std::size_t i = 1; i < notes_; ++i)
            if (noted_[i].used < oldest->used)
                oldest = &noted_[i];
        *oldest = {now_, file_.pos(), ++uses_};
    }
    while (now_.frameNumber < wanted && Next()) {
    }
    return now_.frameNumber == wanted;
}

bool PictureDecoder::Next() {
    if (still_) {
        if (now_.frameNumber >= 0 || now_.picture.isNull())
            return false;
        now_.frameNumber = 0;
        return true;
    }
    if (!gif_ || now_.frameNumber + 1 >= layout_.frames)
        return false;
    Extensions seen;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif_, &record) == GIF_ERROR)
            return false;
        if (record == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif_, seen))
                return false;
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif_) == GIF_ERROR)
            return false;
        // The library notes every descriptor it reads, for ever while the file stays open.
        GifFreeSavedImages(gif_);
        gif_->ImageCount = 0;
        DisposeOfShownFrame();
        if (!DrawFrame(seen.control))
            return false;
        ++now_.frameNumber;
        now_.delayMs = seen.control.DelayTime <= 1 ? 100 : seen.control.DelayTime * 10;
        return true;
    }
}

bool PictureDecoder::RestoresPrevious() const {
    return now_.shownDisposal == DISPOSE_PREVIOUS || now_.shownDisposal == 4;
}

void PictureDecoder::DisposeOfShownFrame() {
    if (now_.shownArea.isEmpty() ||
        (now_.shownDisposal != DISPOSE_BACKGROUND && !RestoresPrevious()))
        return;
    QPainter painter(&now_.picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (now_.shownDisposal == DISPOSE_BACKGROUND)
        painter.fillRect(now_.shownArea, Qt::transparent);
    else
        painter.drawImage(now_.shownArea.topLeft(), now_.covered);
}

bool PictureDecoder::DrawFrame(const GraphicsControlBlock& control) {
    const GifImageDesc& frame = gif_->Image;
    const int transparentIndex = control.TransparentColor;
    now_.shownDisposal = control.DisposalMode;
    now_.shownArea = QRect(frame.Left, frame.Top, frame.Width, frame.Height) & now_.picture.rect();
    now_.covered = RestoresPrevious() ? now_.picture.copy(now_.shownArea) : QImage();
    if (frame.Width == 0 || frame.Height == 0)
        return SkipImageData(gif_);

    QRgb colours[256];
    ColourTable(frame.ColorMap ? frame.ColorMap : gif_->SColorMap, colours);
    const int columns = std::max(0, std::min(frame.Width, now_.picture.width() - frame.Left));
    std::vector<GifPixelType> line(std::size_t(frame.Width));
    const auto drawRow = [&](int y) {
        if (DGifGetLine(gif_, line.data(), frame.Width) == GIF_ERROR)
            return false;
        if (columns > 0 && frame.Top + y < now_.picture.height()) {
            auto* out = reinterpret_cast<QRgb*>(now_.picture.scanLine(frame.Top + y)) + frame.Left;
            if (transparentIndex < 0) {
                for (int x = 0; x < columns; ++x)
                    out[x] = colours[line[x]];
            } else {
                for (int x = 0; x < columns; ++x)
                    if (line[x] != transparentIndex)
                        out[x] = colours[line[x]];
            }
        }
        return true;
    };
    if (!frame.Interlace) {
        for (int y = 0; y < frame.Height; ++y)
            if (!drawRow(y))
                return false;
        return true;
    }
    // Every 8th row from the first, every 8th from the 5th, every 4th from the 3rd, then
    // every other row from the 2nd; a pass may hold no row at all.
    static constexpr int first[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = first[pass]; y < frame.Height; y += step[pass])
            if (!drawRow(y))
                return false;
    return true;
}

} // namespace platform
