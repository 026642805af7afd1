#include "InputShape.h"

#include "Connection.h"
#include "PointerWatch.h"
#include "ServerReplay.h"
#include "X11Backend.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace platform::x11 {

namespace {

// How close the pointer may come before the shape follows the figure again: a hand's
// pointer moves a few pixels between two events, a fast one tens.
constexpr int NearMargin = 48;

} // namespace

InputShape::InputShape(QWidget* window, X11Backend& backend)
    : window_(window)
    , backend_(backend)
    , watch_(PointerWatch::Connect()) {
    if (watch_) {
        connect(watch_.get(), &PointerWatch::Moved, this, &InputShape::PointerMoved);
        // The window may come up under a pointer that rests.
        window_->installEventFilter(this);
        near_ = watch_->Near(OnScreen(), NearMargin);
    }
}

bool InputShape::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == window_ &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show))
        PointerMoved();
    return false;
}

InputShape::~InputShape() = default;

void InputShape::Show(const QRegion& mask) {
    shownStamp_.reset();
    shownMask_ = mask;
    current_ = Following();
    if (!current_)
        return;
    window_->winId();
    if (QWindow* native = window_->windowHandle())
        SetInputShape(native, mask);
    shaped_ = true;
}

bool InputShape::Present(ServerReplay& replay, std::size_t stamp) {
    const bool follow = Following();
    if (!replay.Present(stamp,
                        follow ? ServerReplay::Shape::Input : ServerReplay::Shape::Unchanged))
        return false;
    shownStamp_ = stamp;
    current_ = follow;
    shaped_ = true;
    return true;
}

QRect InputShape::OnScreen() const {
    // As the toolkit places the window: the native window may not have got there yet.
    const qreal ratio = window_->devicePixelRatio();
    const QRect logical = window_->geometry();
    return {(QPointF(logical.topLeft()) * ratio).toPoint(),
            (QSizeF(logical.size()) * ratio).toSize()};
}

void InputShape::PointerMoved() {
    near_ = watch_->Near(OnScreen(), NearMargin);
    if (!near_ || current_)
        return;
    if (!shownStamp_) {
        Show(shownMask_);
    } else if (ServerReplay* replay = backend_.Replay()) {
        current_ = replay->SetInputShape(*shownStamp_);
    }
}

void InputShape::Leave() {
    if (QWindow* native = window_->windowHandle())
        ResetInputShape(native);
}

} // namespace platform::x11
