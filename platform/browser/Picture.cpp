#include "Picture.h"

#include <QHash>

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
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Picture::ShowNextKeptFrame);
}

QImage Picture::CurrentFrame() const {
    return replaying_ ? frames_[current_].image : movie_.currentImage();
}

int Picture::FrameIndex() const {
    return replaying_ ? static_cast<int>(current_) : movie_.currentFrameNumber();
}

void Picture::MovieFrameChanged(int frameNumber) {
    if (keeping_) {
        if (frameNumber == static_cast<int>(frames_.size())) {
            const QImage image = movie_.currentImage();
            frames_.push_back({image, std::max(10, movie_.nextFrameDelay())});
            keptBytes_ += image.sizeInBytes();
            if (keptBytes_ > FrameCacheBytes) {
                keeping_ = false;
                frames_ = {};
            }
        } else if (frameNumber == 0 && frames_.size() > 1) {
            // A whole loop has been decoded: from here on the kept frames play.
            movie_.stop();
            replaying_ = true;
            current_ = 0;
            loopsLeft_ = movie_.loopCount() < 0 ? -1 : std::max(0, movie_.loopCount() - 1);
            timer_.start(frames_[0].delayMs);
        } else {
            keeping_ = false;
            frames_ = {};
        }
    }
    emit FrameChanged();
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
    timer_.start(frames_[current_].delayMs);
    emit FrameChanged();
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
