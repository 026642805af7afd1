#include "InputShape.h"

#include "Connection.h"
#include "FrameShown.h"
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
// How long the shape a pixel short stays, for the desktop to have read it (GNOME Shell reads
// shapes between its frames).
constexpr int ShortShapeMs = 30;
constexpr int Renewals = 3;

} // namespace

InputShape::InputShape(QWidget* window, X11Backend& backend)
    : window_(window)
    , backend_(backend)
    , watch_(PointerWatch::Connect()) {
    renewal_.setSingleShot(true);
    whole_.setSingleShot(true);
    whole_.setInterval(ShortShapeMs);
    // Once the frame has gone to the screen.
    connect(&renewal_, &QTimer::timeout, this, [this] {
        QWindow* native = window_->windowHandle();
        const QRect last = lastMask_.isEmpty() ? QRect() : *(lastMask_.end() - 1);
        if (!native || last.isEmpty())
            return;
        SetInputShape(native, lastMask_ - QRect(last.bottomRight(), QSize(1, 1)));
        whole_.start();
    });
    connect(&whole_, &QTimer::timeout, this, [this] {
        if (QWindow* native = window_->windowHandle())
            SetInputShape(native, lastMask_);
        // Once more, for a desktop too busy to have shown the frame yet.
        if (++renewals_ < Renewals && shown_)
            shown_->Ask(xcb_window_t(window_->winId()));
        else if (renewals_ < Renewals)
            renewal_.start(ShortShapeMs);
    });
    if (!watch_ && (shown_ = FrameShown::Connect()))
        connect(shown_.get(), &FrameShown::Shown, &renewal_, [this] { renewal_.start(0); });
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
    Renew(mask);
}

bool InputShape::Present(ServerReplay& replay, std::size_t stamp, const QRegion& mask) {
    const bool follow = Following();
    if (!replay.Present(stamp,
                        follow ? ServerReplay::Shape::Input : ServerReplay::Shape::Unchanged))
        return false;
    shownStamp_ = stamp;
    current_ = follow;
    shaped_ = true;
    if (follow)
        Renew(mask);
    return true;
}

void InputShape::Renew(const QRegion& mask) {
    // A shape told since is the one that holds.
    renewal_.stop();
    whole_.stop();
    const bool same = !watch_ && mask == lastMask_;
    lastMask_ = mask;
    renewals_ = 0;
    if (same && shown_)
        shown_->Ask(xcb_window_t(window_->winId()));
    else if (same)
        renewal_.start(0);
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
