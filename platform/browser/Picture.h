#pragma once

#include "platform/FrameBudget.h"
#include "platform/PictureDecoder.h"

#include <QImage>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

namespace platform::browser {

// One picture file as the pages show it, animated with the file's own frame delays and
// loop count, its frames composed as web browsers compose them. Pictures are shared by path: a file
// shown by several images, documents or views is decoded once. An animation whose frames together
// are small enough is decoded during its first play only and then played from the decoded frames,
// kept with one byte a pixel when a frame has at most 256 colours (as GIF frames nearly always do).
class Picture : public QObject {
    Q_OBJECT

public:
    // The picture of a local file, or null when it cannot be read as a picture.
    static std::shared_ptr<Picture> Open(const QString& absolutePath);

    // Decoded frames kept for replaying, at the most, per picture (as kept, one byte a pixel
    // for frames of up to 256 colours). Larger animations are decoded again when looked at.
    static constexpr qint64 FrameCacheBytes = 4 * 1024 * 1024;

    QSize Size() const { return size_; }
    QImage CurrentFrame() const;
    // Which frame is shown now (the same number each play).
    int FrameIndex() const { return static_cast<int>(current_); }
    // Whether the frames now come from the kept copies rather than the file.
    bool PlaysFromMemory() const { return !learning_ && keeping_; }

signals:
    void FrameChanged();

private:
    struct Frame {
        QImage image;
        int delayMs;
    };

    explicit Picture(std::unique_ptr<PictureDecoder> decoder);
    void Timer_Timeout();
    // The frame just decoded as it is to be kept, or null when frames are not kept.
    QImage KeepableFrame();
    // Makes the kept frame `current_` the one shown, when someone looks at it: a frame that
    // comes back from elsewhere (the X server) needs no expanding.
    void ExpandKeptFrame() const;

    // Decodes the first play, and later the frames not kept when they are looked at.
    mutable std::unique_ptr<PictureDecoder> decoder_;
    QSize size_;
    std::vector<Frame> frames_;
    // All frames as they are where they all fit so, else all compact where they may fit so.
    FrameBudget budget_;
    // During the first play each frame's delay is noted (and its image kept while they fit).
    bool learning_ = true;
    bool keeping_ = true;
    std::size_t current_ = 0;
    // The kept frame being shown, expanded; one buffer for all frames.
    mutable QImage shown_;
    mutable bool expanded_ = false;
    // Plays still to come after the one playing; -1 for ever.
    int repeatsLeft_ = 0;
    QTimer timer_;
};

} // namespace platform::browser
