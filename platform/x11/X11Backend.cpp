#include "X11Backend.h"

#include "CompositingManager.h"
#include "Connection.h"
#include "InputShape.h"
#include "ServerReplay.h"
#include "platform/Logging.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace platform::x11 {

namespace {

// Lies over the whole window, the last of its children to paint, and gives the key's pixels
// that the window and its children have painted before it alpha 0, so that a window with an
// alpha channel shows them transparent.
class AlphaKey : public QWidget {
public:
    AlphaKey(QWidget* window, QRgb key)
        : QWidget(window)
        , key_(key) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(window->rect());
        raise();
        show();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        // What the window paints into: its backing store, or an image it is rendered to.
        QPainter painter(this);
        auto* image = dynamic_cast<QImage*>(painter.paintEngine()->paintDevice());
        painter.end();
        if (!image) {
            static bool said = false;
            if (!std::exchange(said, true))
                qCWarning(lcX11) << "the window's backing store is not an image: its key's"
                                 << "pixels keep their alpha";
            return;
        }
        if (image->depth() != 32 || !image->hasAlphaChannel())
            return;
        const qreal ratio = image->devicePixelRatio();
        const QRectF area(event->rect());
        ClearKeyAlpha(*image, QRectF(area.topLeft() * ratio, area.size() * ratio).toAlignedRect(),
                      key_);
    }

private:
    QRgb key_;
};

} // namespace

std::unique_ptr<X11Backend> X11Backend::Make(QWidget* window, QRgb key, std::optional<Mode> asked,
                                             QString& why) {
    if (!Connection()) {
        why = QStringLiteral("the toolkit runs on %1, not on X11")
                  .arg(QGuiApplication::platformName());
        return nullptr;
    }
    return std::unique_ptr<X11Backend>(new X11Backend(window, key, asked));
}

X11Backend::X11Backend(QWidget* window, QRgb key, std::optional<Mode> asked)
    : window_(window)
    , key_(key)
    , asked_(asked) {
    window_->installEventFilter(this);
    // An alpha channel only where the desktop calls for it: without a compositing manager the
    // X server would blend a window with one into the screen itself, every frame.
    if (!window_->isVisible()) {
        ChooseAlpha(WantsAlpha());
        alphaKey_ = new AlphaKey(window_, key_);
        if (CompositingManager* manager = CompositingManager::Instance())
            connect(manager, &CompositingManager::Changed, this, &X11Backend::FollowDesktop);
    }
}

X11Backend::~X11Backend() = default;

bool X11Backend::WantsAlpha() const {
    if (asked_)
        return *asked_ == Mode::Alpha;
    const CompositingManager* manager = CompositingManager::Instance();
    return manager && manager->Runs();
}

bool X11Backend::eventFilter(QObject* watched, QEvent* event) {
    if (replay_ && replay_->Presenting() && watched == window_->windowHandle() &&
        event->type() == QEvent::Expose) {
        // Exposures come no more while the server repaints the window from the shown content
        // (a few may still be on their way); the window's first one after a show goes through.
        return window_->windowHandle()->isExposed() && window_->testAttribute(Qt::WA_Mapped);
    }
    if (watched == window_ && event->type() == QEvent::Resize && alphaKey_)
        alphaKey_->setGeometry(window_->rect());
    return false;
}

ServerReplay* X11Backend::Replay() {
    if (!replayTried_ && window_->isVisible() && window_->devicePixelRatio() == 1.0) {
        replayTried_ = true;
        replay_ = ServerReplay::For(window_);
        if (replay_)
            window_->windowHandle()->installEventFilter(this);
    }
    return replay_.get();
}

void X11Backend::WindowShown() {
    FollowDesktop();
}

void X11Backend::WindowHidden() {
    if (replay_)
        replay_->ReturnToToolkit();
}

void X11Backend::BeforePaint() {
    if (toolkitBehind_) {
        // The server showed contents that the window did not paint: what it painted last is
        // older, so all of it is painted again, not only what changed since.
        toolkitBehind_ = false;
        window_->update();
    }
    painting_ = true;
}

void X11Backend::AfterPaint() {
    // The window has painted and handed the new content to the X server; a shape sent after it
    // on the same connection takes effect only after the content has changed, so the whole new
    // mask can follow at once.
    painting_ = false;
    FinishShape();
}

void X11Backend::Keep(std::size_t stamp, const QImage& content, const QRegion& mask) {
    if (ServerReplay* replay = Replay())
        replay->Keep(stamp, content, mask);
}

bool X11Backend::Present(std::size_t stamp, const QRegion& mask) {
    // Only once the window system has shown the window: the toolkit needs that first exposure,
    // which presenting would take away.
    const QWindow* native = window_->windowHandle();
    if (!replay_ || !native || !native->isExposed() || window_->devicePixelRatio() != 1.0)
        return false;
    if (input_ ? !input_->Present(*replay_, stamp, mask)
               : !replay_->Present(stamp, ServerReplay::Shape::Outline))
        return false;
    shape_ = mask;
    shaped_ = true;
    finishPending_ = false;
    // Outside the window's own painting, it paints all of itself again next time.
    toolkitBehind_ |= !painting_;
    return true;
}

void X11Backend::Show(const QImage*, const QRegion& mask) {
    if (replay_)
        replay_->ReturnToToolkit();
    if (shaped_ && mask == shape_) {
        if (input_)
            input_->Repainted(mask);
        return;
    }
    if (!shaped_ || !window_->isVisible()) {
        shape_ = mask;
        shaped_ = true;
        ApplyShape(mask);
        return;
    }
    // The window still shows the old content. Until the new one has reached the screen only
    // pixels that are not the key in both may show; then all of the new mask.
    const QRegion meanwhile = shape_.intersected(mask);
    if (meanwhile != shape_)
        ApplyShape(meanwhile);
    shape_ = mask;
    finishPending_ = meanwhile != mask;
    if (finishPending_ && !painting_)
        QTimer::singleShot(0, this, &X11Backend::FinishShape);
}

void X11Backend::FinishShape() {
    if (!finishPending_)
        return;
    finishPending_ = false;
    ApplyShape(shape_);
}

void X11Backend::ApplyShape(const QRegion& mask) {
    if (input_)
        input_->Show(mask);
    else
        SetWindowMask(window_, mask);
}

void X11Backend::ChooseAlpha(bool alpha) {
    alpha_ = alpha;
    window_->setAttribute(Qt::WA_TranslucentBackground, alpha);
    if (!alpha)
        window_->setAttribute(Qt::WA_NoSystemBackground, false);
    // The alpha channel is chosen as the native window is made; the toolkit keeps one that it
    // once asked for, so the format is set here both ways.
    if (QWindow* native = window_->windowHandle()) {
        QSurfaceFormat format = native->requestedFormat();
        format.setAlphaBufferSize(alpha ? 8 : -1);
        native->setFormat(format);
        native->destroy();
    }
}

void X11Backend::RemakeNativeWindow() {
    remakePending_ = false;
    QWindow* native = window_->windowHandle();
    const bool wanted = WantsAlpha();
    if (!native || !window_->isVisible() || (Depth(native) == 32) == wanted)
        return;
    qCInfo(lcX11) << "the window is made anew" << (wanted ? "with" : "without")
                  << "an alpha channel";
    remadeFor_ = wanted;
    // What the server kept belongs to the old native window: contents are kept anew.
    replay_.reset();
    replayTried_ = false;
    emit KeptContentsLost();
    shaped_ = false;
    window_->hide();
    ChooseAlpha(wanted);
    window_->show();
}

void X11Backend::FollowDesktop() {
    QWindow* native = window_->windowHandle();
    const bool wanted = alphaKey_ && WantsAlpha();
    const bool withAlpha = native && Depth(native) == 32;
    // The window is made anew with or without an alpha channel, as the desktop now calls for
    // (once: where the toolkit cannot make it so, it stays as it is).
    if (withAlpha != wanted && alphaKey_ && window_->isVisible()) {
        if (remadeFor_ == int(wanted)) {
            qCWarning(lcX11) << "the toolkit did not make the window"
                             << (wanted ? "with" : "without")
                             << "an alpha channel as asked: it is cut away as its depth allows";
        } else {
            if (!remakePending_)
                QTimer::singleShot(0, this, &X11Backend::RemakeNativeWindow);
            remakePending_ = true;
            return;
        }
    }
    if (withAlpha == wanted)
        remadeFor_ = -1;
    const bool byAlpha = withAlpha && wanted;
    if (byAlpha == bool(input_) && modeSaid_)
        return;
    qCInfo(lcX11) << "the key is cut by" << (byAlpha ? "alpha" : "the outline");
    modeSaid_ = true;
    if (byAlpha == bool(input_))
        return;
    // The shape of the other mode goes: the whole rectangle shows, or takes the mouse.
    if (input_)
        input_->Leave();
    else if (native)
        native->setMask(QRegion());
    input_ = byAlpha ? std::make_unique<InputShape>(window_, *this) : nullptr;
    if (shaped_)
        ApplyShape(shape_);
}

} // namespace platform::x11
