#include "FrameBudget.h"

#include "CompactFrame.h"

namespace platform {

FrameBudget::FrameBudget(qint64 asIsBytes, qint64 compactBytes, int reservedFrames)
    : asIsBytes_(asIsBytes)
    , compactBytes_(compactBytes)
    , reservedFrames_(reservedFrames) {}

bool FrameBudget::Resized(QSize size) {
    if (size == size_ && size.isValid())
        return false;
    size_ = size;
    asIsUsed_ = 0;
    compactUsed_ = 0;
    return true;
}

FrameBudget::Form FrameBudget::Keep(const QImage& frame, QImage& compact) {
    const qint64 bytes = 4 * qint64(size_.width()) * size_.height();
    if (asIsUsed_ + (1 + reservedFrames_) * bytes <= asIsBytes_) {
        asIsUsed_ += bytes;
        return Form::AsIs;
    }
    // A compact frame takes a byte a pixel of its own at least (of the frame, which the holder
    // may keep as is at a larger size): where that is too much, none is made.
    if (compactUsed_ + qint64(frame.width()) * frame.height() > compactBytes_)
        return Form::Nowhere;
    compact = CompactFrame(frame);
    if (compactUsed_ + compact.sizeInBytes() > compactBytes_) {
        compact = QImage();
        return Form::Nowhere;
    }
    compactUsed_ += compact.sizeInBytes();
    return Form::Compact;
}

} // namespace platform
