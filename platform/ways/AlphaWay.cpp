#include "AlphaWay.h"

#include "platform/PointerWatch.h"
#include "platform/ServerReplay.h"
#include "platform/X11.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

// How close the pointer may come before the shape follows the figure again: a hand's
// pointer moves a few pixels between two events, a fast one tens.
constexpr int NearMargin = 48;

} // namespace

AlphaWay::AlphaWay(QWidget* window, std::function<ServerReplay*()> replay)
    : XWay(window, std::move(replay))
    , watch_(x11::PointerWatch::Connect()) {
    if (watch_) {
        connect(watch_.get(), &x11::PointerWatch::Moved, this, &AlphaWay::PointerMoved);
        // The window may come up under a pointer that rests.
        window_->installEventFilter(this);
        near_ = watch_->Near(OnScreen(), NearMargin);
    }
}

bool AlphaWay::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == window_ &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show))
        PointerMoved();
    return false;
}

AlphaWay::~AlphaWay() = default;

void AlphaWay::Show(const QImage*, const QRegion& mask) {
    shownStamp_.reset();
    shownMask_ = mask;
    current_ = Following();
    if (!current_)
        return;
    window_->winId();
    if (QWindow* native = window_->windowHandle())
        x11::SetInputShape(native, mask);
    shaped_ = true;
}

bool AlphaWay::Present(std::size_t stamp) {
    ServerReplay* replay = Replay();
    const bool follow = Following();
    if (!replay || !replay->Present(stamp, follow ? ServerReplay::Shape::Input
                                                  : ServerReplay::Shape::Unchanged))
        return false;
    shownStamp_ = stamp;
    current_ = follow;
    shaped_ = true;
    return true;
}

QRect AlphaWay::OnScreen() const {
    // As the toolkit places the window: the native window may not have got there yet.
    const qreal ratio = window_->devicePixelRatio();
    const QRect logical = window_->geometry();
    return {(QPointF(logical.topLeft()) * ratio).toPoint(),
            (QSizeF(logical.size()) * ratio).toSize()};
}

void AlphaWay::PointerMoved() {
    near_ = watch_->Near(OnScreen(), NearMargin);
    if (!near_ || current_)
        return;
    if (!shownStamp_) {
        Show(nullptr, shownMask_);
    } else if (ServerReplay* replay = Replay()) {
        current_ = replay->SetInputShape(*shownStamp_);
    }
}

void AlphaWay::Leave() {
    if (QWindow* native = window_->windowHandle())
        x11::ResetInputShape(native);
}

} // namespace platform
