#include "Picture.h"

#include "platform/CompactFrame.h"

#include <QHash>
#include <QScopedValueRollback>

namespace platform::browser {

namespace {

// Shared pictures by path; an entry lives while some page shows it.
QHash<QString, std::weak_ptr<Picture>>& OpenPictures() {
    static QHash<QString, std::weak_ptr<Picture>> pictures;
    return pictures;
}

} // namespace

Picture::Picture(const QString& path) {
    movie_.setFileName(path);
    movie_.setCacheMode(QMovie::CacheNone);
    connect(&movie_, &QMovie::frameChanged, this, &Picture::MovieFrameChanged);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &Picture::ShowNextKeptFrame);
}

QImage Picture::CurrentFrame() const {
    if (!replaying_)
        return movie_.currentImage();
    if (keeping_) {
        if (!expanded_)
            ExpandKeptFrame();
        return shown_;
    }
    // Frames not kept are decoded again when they are looked at; nothing looks at them while
    // the window shows them from elsewhere.
    if (movie_.currentFrameNumber() != static_cast<int>(current_)) {
        const QScopedValueRollback decoding(decodingOnDemand_, true);
        movie_.jumpToFrame(static_cast<int>(current_));
    }
    return movie_.currentImage();
}

int Picture::FrameIndex() const {
    return replaying_ ? static_cast<int>(current_) : movie_.currentFrameNumber();
}

void Picture::MovieFrameChanged(int frameNumber) {
    if (decodingOnDemand_)
        return;
    if (learning_) {
        if (frameNumber == static_cast<int>(frames_.size())) {
            frames_.push_back({KeepableFrame(), std::max(10, movie_.nextFrameDelay())});
        } else if (frameNumber == 0 && !frames_.empty()) {
            StartReplaying();
            // A picture of one frame stays as it is (the movie would read the file again
            // every loop).
            if (frames_.size() == 1)
                return;
        } else {
            // Frames out of order: the movie plays on by itself.
            learning_ = keeping_ = false;
            frames_ = {};
        }
    }
    emit FrameChanged();
}

QImage Picture::KeepableFrame() {
    if (!keeping_)
        return {};
    const QImage frame = movie_.currentImage();
    keptFormat_ = frame.format();
    // Frames that fit as they are play without expanding; larger ones are compacted, unless
    // even one byte a pixel is too much (then none is kept at all).
    const qint64 frameCount = std::max(1, movie_.frameCount());
    const bool fitsAsIs = frameCount * frame.sizeInBytes() <= FrameCacheBytes;
    QImage image;
    if (fitsAsIs || frameCount * frame.width() * frame.height() <= FrameCacheBytes)
        image = fitsAsIs ? frame : CompactFrame(frame);
    keptBytes_ += image.sizeInBytes();
    if (image.isNull() || keptBytes_ > FrameCacheBytes) {
        keeping_ = false;
        for (Frame& kept : frames_)
            kept.image = QImage();
        return {};
    }
    return image;
}

void Picture::StartReplaying() {
    // A whole loop has been seen: from here on the picture keeps its own time, and shows
    // its kept frames or decodes a frame when it is looked at.
    learning_ = false;
    movie_.setPaused(true);
    replaying_ = true;
    shown_ = movie_.currentImage();
    current_ = 0;
    expanded_ = false;
    if (frames_.size() == 1)
        return;
    loopsLeft_ = movie_.loopCount() < 0 ? -1 : std::max(0, movie_.loopCount() - 1);
    timer_.start(frames_[0].delayMs);
}

void Picture::ShowNextKeptFrame() {
    std::size_t next = current_ + 1;
    if (next == frames_.size()) {
        if (loopsLeft_ == 0)
            return; // the last loop ends on its last frame
        if (loopsLeft_ > 0)
            --loopsLeft_;
        next = 0;
    }
    current_ = next;
    expanded_ = false;
    timer_.start(frames_[current_].delayMs);
    emit FrameChanged();
}

void Picture::ExpandKeptFrame() const {
    expanded_ = true;
    const QImage& kept = frames_[current_].image;
    if (kept.format() != QImage::Format_Indexed8) {
        shown_ = kept;
        return;
    }
    // Written in place: no new buffer per frame (the page holds no copy between paints).
    if (shown_.size() != kept.size() || shown_.format() != keptFormat_)
        shown_ = QImage(kept.size(), keptFormat_);
    ExpandFrame(kept, shown_.bits(), shown_.bytesPerLine());
}

std::shared_ptr<Picture> Picture::Open(const QString& absolutePath) {
    auto& pictures = OpenPictures();
    if (std::shared_ptr<Picture> shared = pictures.value(absolutePath).lock())
        return shared;

    std::shared_ptr<Picture> picture(new Picture(absolutePath), [absolutePath](Picture* p) {
        if (OpenPictures().value(absolutePath).expired())
            OpenPictures().remove(absolutePath);
        // A frame may still be queued for it; let it go with the object.
        p->movie_.stop();
        p->timer_.stop();
        p->deleteLater();
    });
    // Starting shows the first frame at once and the next after the first one's delay; a
    // single picture simply stays.
    if (!picture->movie_.isValid())
        return nullptr;
    picture->movie_.start();
    if (picture->movie_.currentImage().isNull())
        return nullptr;
    picture->size_ = picture->movie_.currentImage().size();
    pictures.insert(absolutePath, picture);
    return picture;
}

} // namespace platform::browser
