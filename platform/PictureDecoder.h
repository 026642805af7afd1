#pragma once

#include <QFile>
#include <QImage>
#include <array>

struct GifFileType;
struct GraphicsControlBlock;

namespace platform {

// What every picture is held to before anything of it is decoded.
struct PictureLimits {
    // Larger in either direction is not a picture anyone can look at.
    static constexpr int MaxSide = 16384;
    // One decoded frame takes at most 256 MiB, as much as the toolkit's own readers allow.
    static constexpr qint64 MaxFramePixels = qint64(1) << 26;
    // All frames of an animation together at most 1 GiB decoded: playing more would take the
    // machine's memory or a core for as long as it plays.
    static constexpr qint64 MaxPixelsToPlay = qint64(1) << 28;
};

// What a walk through a GIF stream's blocks finds, without decoding any picture.
struct GifLayout {
    // Every block is present up to the trailer, or up to the end of a last complete frame
    // where the trailer alone is missing.
    bool complete = false;
    // The logical screen, enlarged to hold the first frame (a file may give a smaller screen,
    // even 0 × 0): every frame is composed on it.
    QSize screen;
    int frames = 0;
    // The frames' own areas together: a frame is decoded whole, however little of it shows.
    qint64 framePixels = 0;
    // Plays after the first: -1 without a loop block (the picture plays once), 0 for ever.
    int repeats = -1;
};

// Walks the GIF stream on `device` from its current position.
GifLayout WalkGif(QIODevice& device);

// The frames of a picture file as web browsers show them. A GIF is decoded frame by frame,
// each frame drawn onto the picture left by the ones before: its transparent pixels leave the
// picture as it was, and after it is shown its area is kept (disposal 0 and 1), cleared to
// transparent (2: the file's background colour is never painted) or given back what it
// covered (3 and 4). Interlaced frames of any height, local and global colour tables (indexes
// beyond the table are opaque black), loop blocks anywhere in the file; delays of 10 ms or
// less are played as 100 ms. Any other picture the toolkit reads is a single frame.
class PictureDecoder {
public:
    // Opens the file and checks its size against the limits; decodes no frame of a GIF yet
    // (another picture is read at once).
    explicit PictureDecoder(const QString& path);
    ~PictureDecoder();
    PictureDecoder(const PictureDecoder&) = delete;
    PictureDecoder& operator=(const PictureDecoder&) = delete;

    // Why the file's frames cannot be decoded, or empty when they can.
    const QString& Problem() const { return problem_; }
    QSize Size() const { return layout_.screen; }
    int FrameCount() const { return layout_.frames; }
    int Repeats() const { return layout_.repeats; }

    // Decodes the next frame; false after the last one, or at a frame that cannot be decoded
    // (the frames before it are the picture's).
    bool Next();
    // Starts again before the first frame.
    void Rewind();
    // Decodes on to frame `wanted` from the nearest composing before it: where the decoder
    // stands, the start, or one noted on the way to an earlier call's frame where that frame
    // was not the next one (the frame before it). An animation whose frames are asked for
    // only from some frame on, again each play, is thus not decoded from its first frame each
    // time. False where that frame cannot be reached.
    bool SeekTo(int wanted);
    // The picture as the last frame decoded left it (premultiplied ARGB), its number (-1
    // before the first) and how long it stays.
    const QImage& Frame() const { return now_.picture; }
    int FrameNumber() const { return now_.frameNumber; }
    int DelayMs() const { return now_.delayMs; }

private:
    bool OpenGif();
    void CloseGif();
    void ReadStill();
    // Draws the frame whose descriptor was just read, as its control block says.
    bool DrawFrame(const GraphicsControlBlock& control);
    // Whether the frame shown last gives back what it covered when the next one comes.
    bool RestoresPrevious() const;
    void DisposeOfShownFrame();

    QFile file_;
    QString problem_;
    GifLayout layout_;
    GifFileType* gif_ = nullptr;
    bool still_ = false;
    // How the frames so far have left the picture.
    struct Composed {
        QImage picture;
        // What the frame shown last covered, given back when it goes (disposal 3 and 4).
        QImage covered;
        QRect shownArea;
        int shownDisposal = 0;
        int frameNumber = -1;
        int delayMs = 100;
    };
    Composed now_;
    // Where SeekTo may start again (frame number -1 where none is noted), each with when it
    // was last used; two at most, and only as many as 32 MiB of pictures hold.
    static constexpr qint64 NotedBytes = 32 * 1024 * 1024;
    struct Noted {
        Composed composed;
        // Where the file's next block begins.
        qint64 position = -1;
        int used = 0;
    };
    std::array<Noted, 2> noted_;
    std::size_t notes_ = 0;
    int uses_ = 0;
};

} // namespace platform
