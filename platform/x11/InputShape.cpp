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
// How often a frame's shape is told again, each time its next frame has reached the screen
// (or, where that is not told, this far apart).
constexpr int Renewals = 3;
constexpr int RenewalMs = 16;

// Some of three of the figure's pixels, as the three lowest bits of `variant` say: the figure
// less them makes eight shapes that the desktop takes for different ones, where no user could
// tell them apart.
QRegion LeftOut(const QRegion& mask, unsigned variant) {
    QRegion pixels;
    if (mask.isEmpty())
        return pixels;
    const QRect first = *mask.begin(), last = *(mask.end() - 1);
    const QPoint corners[] = {last.bottomRight(), first.topLeft(), first.topRight()};
    for (int bit = 0; bit < 3; ++bit)
        if (variant & (1u << bit))
            pixels += QRect(corners[bit], QSize(1, 1));
    return pixels;
}

} // namespace

InputShape::InputShape(QWidget* window, X11Backend& backend)
    : window_(window)
    , backend_(backend)
    , watch_(PointerWatch::Connect()) {
    renewal_.setSingleShot(true);
    connect(&renewal_, &QTimer::timeout, this, [this] {
        if (QWindow* native = window_->windowHandle(); native && !lastMask_.isEmpty())
            SetInputShape(native, lastMask_ - LeftOut(lastMask_, ++variant_));
        if (++renewals_ < Renewals)
            AskRenewal();
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
    const bool varied = Renew(mask);
    if (QWindow* native = window_->windowHandle())
        SetInputShape(native, varied ? mask - LeftOut(mask, variant_) : mask);
    shaped_ = true;
}

bool InputShape::Present(ServerReplay& replay, std::size_t stamp, const QRegion& mask) {
    const bool follow = Following();
    if (!replay.Present(stamp,
                        follow ? ServerReplay::Shape::Input : ServerReplay::Shape::Unchanged))
        return false;
    shownStamp_ = stamp;
    current_ = follow;
    shaped_ = true;
    if (follow && Renew(mask))
        if (const QRegion pixels = LeftOut(mask, variant_); !pixels.isEmpty())
            SubtractFromInputShape(window_->windowHandle(), pixels);
    return true;
}

bool InputShape::Renew(const QRegion& mask) {
    // A shape told since is the one that holds.
    renewal_.stop();
    if (watch_)
        return false;
    const bool same = mask == lastMask_;
    lastMask_ = mask;
    if (!same)
        return false;
    ++variant_;
    renewals_ = 0;
    AskRenewal();
    return true;
}

void InputShape::AskRenewal() {
    if (shown_)
        shown_->Ask(xcb_window_t(window_->winId()));
    else
        renewal_.start(RenewalMs);
}

void InputShape::Repainted(const QRegion& mask) {
    if (!watch_)
        Show(mask);
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
