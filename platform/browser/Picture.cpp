#include "Picture.h"

#include "platform/CompactFrame.h"
#include "platform/Logging.h"

#include <QHash>

namespace platform::browser {

namespace {

// Shared pictures by path; an entry lives while some page shows it.
QHash<QString, std::weak_ptr<Picture>>& OpenPictures() {
    static QHash<QString, std::weak_ptr<Picture>> pictures;
    return pictures;
}

// Frames that fit as they are play without expanding; larger ones are compacted, unless even
// one byte a pixel is too much (then none is kept at all).
FrameBudget BudgetFor(const PictureDecoder& decoder) {
    const qint64 pixels = std::max(1, decoder.FrameCount()) * qint64(decoder.Size().width()) *
                          decoder.Size().height();
    return FrameBudget(4 * pixels <= Picture::FrameCacheBytes ? Picture::FrameCacheBytes : 0,
                       pixels <= Picture::FrameCacheBytes ? Picture::FrameCacheBytes : 0);
}

} // namespace

Picture::Picture(std::unique_ptr<PictureDecoder> decoder)
    : decoder_(std::move(decoder))
    , size_(decoder_->Size())
    , budget_(BudgetFor(*decoder_)) {
    budget_.Resized(size_);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &Picture::Timer_Timeout);
    // The first frame shows at once and the next after its delay.
    frames_.push_back({KeepableFrame(), decoder_->DelayMs()});
    timer_.start(frames_.back().delayMs);
}

QImage Picture::CurrentFrame() const {
    if (learning_)
        return decoder_->Frame();
    if (keeping_) {
        if (!expanded_)
            ExpandKeptFrame();
        return shown_;
    }
    // Frames not kept are decoded again when they are looked at; nothing looks at them while
    // the window shows them from elsewhere.
    decoder_->SeekTo(static_cast<int>(current_));
    return decoder_->Frame();
}

void Picture::Timer_Timeout() {
    if (learning_) {
        if (decoder_->Next()) {
            frames_.push_back({KeepableFrame(), decoder_->DelayMs()});
            current_ = frames_.size() - 1;
            timer_.start(frames_.back().delayMs);
            emit FrameChanged();
            return;
        }
        // A whole play has been seen (a frame that cannot be decoded ends it): from here on
        // the picture shows its kept frames or decodes a frame when it is looked at.
        learning_ = false;
        repeatsLeft_ = decoder_->Repeats() == 0 ? -1 : std::max(0, decoder_->Repeats());
        if (keeping_)
            decoder_.reset();
        else
            decoder_->Rewind(); // a frame that could not be decoded may be drawn in part
        // A picture of one frame stays as it is.
        if (frames_.size() == 1)
            return;
    }
    std::size_t next = current_ + 1;
    if (next == frames_.size()) {
        if (repeatsLeft_ == 0)
            return; // the last play ends on its last frame
        if (repeatsLeft_ > 0)
            --repeatsLeft_;
        next = 0;
    }
    current_ = next;
    expanded_ = false;
    timer_.start(frames_[current_].delayMs);
    emit FrameChanged();
}

QImage Picture::KeepableFrame() {
    if (!keeping_)
        return {};
    const QImage& frame = decoder_->Frame();
    QImage compact;
    switch (budget_.Keep(frame, compact)) {
    case FrameBudget::Form::AsIs:
        return frame;
    case FrameBudget::Form::Compact:
        return compact;
    case FrameBudget::Form::Nowhere:
        break;
    }
    qCInfo(lcPicture) << "frames beyond" << FrameCacheBytes / 1024
                      << "KiB are not kept:" << decoder_->FrameCount() << "frames of" << size_
                      << "are decoded again";
    keeping_ = false;
    for (Frame& kept : frames_)
        kept.image = QImage();
    return {};
}

void Picture::ExpandKeptFrame() const {
    expanded_ = true;
    const QImage& kept = frames_[current_].image;
    if (kept.format() != QImage::Format_Indexed8) {
        shown_ = kept;
        return;
    }
    // Written in place: no new buffer per frame (the page holds no copy between paints).
    if (shown_.size() != kept.size() || shown_.format() != QImage::Format_ARGB32_Premultiplied)
        shown_ = QImage(kept.size(), QImage::Format_ARGB32_Premultiplied);
    ExpandFrame(kept, shown_.bits(), shown_.bytesPerLine());
}

std::shared_ptr<Picture> Picture::Open(const QString& absolutePath) {
    auto& pictures = OpenPictures();
    if (std::shared_ptr<Picture> shared = pictures.value(absolutePath).lock())
        return shared;

    auto decoder = std::make_unique<PictureDecoder>(absolutePath);
    if (!decoder->Problem().isEmpty() || !decoder->Next()) {
        qCInfo(lcPicture) << absolutePath << "is not shown:"
                          << (decoder->Problem().isEmpty() ? QStringLiteral("no frame decodes")
                                                           : decoder->Problem());
        return nullptr;
    }
    std::shared_ptr<Picture> picture(new Picture(std::move(decoder)), [absolutePath](Picture* p) {
        if (OpenPictures().value(absolutePath).expired())
            OpenPictures().remove(absolutePath);
        p->timer_.stop();
        p->deleteLater();
    });
    pictures.insert(absolutePath, picture);
    return picture;
}

} // namespace platform::browser
