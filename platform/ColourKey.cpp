#include "ColourKey.h"

#include "ServerReplay.h"
#include "X11.h"
#include "ways/AlphaWay.h"
#include "ways/KeyWay.h"
#include "ways/OutlineWay.h"

#include <QBitmap>
#include <QEvent>
#include <QImage>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <malloc.h>

namespace platform {

namespace {

constexpr char KeyProperty[] = "lumivastColourKey";
// Distinct contents remembered per window; a looping animation has one per frame.
constexpr int MaxCachedMasks = 512;

// Gives the pixels of the key colour alpha 0 (all of their bits 0, premultiplied) in `area`.
void ClearKeyAlpha(QImage& image, const QRect& area, QRgb key) {
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = inside.left(); x <= inside.right(); ++x)
            if ((row[x] & 0xffffff) == key)
                row[x] = 0;
    }
}

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
        if (!image || image->depth() != 32 || !image->hasAlphaChannel())
            return;
        const qreal ratio = image->devicePixelRatio();
        const QRectF area(event->rect());
        ClearKeyAlpha(*image, QRectF(area.topLeft() * ratio, area.size() * ratio).toAlignedRect(),
                      key_);
    }

private:
    QRgb key_;
};

// Whether the key goes by alpha on this desktop now: where a compositing manager draws the
// screen. LUMIVAST_KEY_WAY may ask for either X way whatever the desktop does.
bool DesktopWantsAlpha() {
    const QByteArray asked = qgetenv("LUMIVAST_KEY_WAY");
    const x11::CompositingManager* manager = x11::CompositingManager::Instance();
    return asked == "alpha" || (asked != "outline" && manager && manager->Runs());
}

} // namespace

ColourKey::ColourKey(QWidget* window, QRgb key)
    : QObject(window)
    , window_(window)
    , key_(key & 0xffffff) {
    window_->installEventFilter(this);
    way_ = NativeSurfaceWay(window_);
    if (way_) {
        // Its contents go to the surface: the window itself is never put on the screen.
        hasAlpha_ = true;
        window_->setAttribute(Qt::WA_DontShowOnScreen);
    } else {
        way_ = std::make_unique<OutlineWay>(window_, [this] { return Replay(); });
    }
    // An alpha channel only where the desktop calls for it: without a compositing manager the
    // X server would blend a window with one into the screen itself, every frame.
    if (way_->ShowsNativeWindow() && x11::Connection() && !window_->isVisible()) {
        ChooseAlpha(DesktopWantsAlpha());
        alphaKey_ = new AlphaKey(window_, key_);
        if (x11::CompositingManager* manager = x11::CompositingManager::Instance())
            connect(manager, &x11::CompositingManager::Changed, this, &ColourKey::FollowDesktop);
    }
    // Once the contents repeat, masks are found by their stamps and the rendering buffer
    // only takes memory (a whole window's worth); it goes after a while without renders.
    releaseBuffer_.setSingleShot(true);
    releaseBuffer_.setInterval(1000);
    connect(&releaseBuffer_, &QTimer::timeout, this, [this] {
        content_ = QImage();
        // Large freed blocks stay with the process otherwise.
        malloc_trim(0);
    });
}

ColourKey* ColourKey::Install(QWidget* window, QRgb key) {
    if (ColourKey* old = Of(window)) {
        window->removeEventFilter(old);
        delete old;
    }
    auto* colourKey = new ColourKey(window, key);
    window->setProperty(KeyProperty, QVariant::fromValue(static_cast<QObject*>(colourKey)));
    colourKey->Update();
    return colourKey;
}

ColourKey::~ColourKey() = default;

ColourKey* ColourKey::Of(const QWidget* window) {
    return qobject_cast<ColourKey*>(window->property(KeyProperty).value<QObject*>());
}

bool ColourKey::eventFilter(QObject* watched, QEvent* event) {
    if (replay_ && replay_->Presenting() && watched == window_->windowHandle() &&
        event->type() == QEvent::Expose) {
        // Exposures come no more while the server repaints the window from the shown content
        // (a few may still be on their way); the window's first one after a show goes through.
        return window_->windowHandle()->isExposed() && window_->testAttribute(Qt::WA_Mapped);
    }
    if (watched != window_)
        return false;
    if (event->type() == QEvent::Hide) {
        if (replay_)
            replay_->ReturnToToolkit();
        way_->Hidden();
    }
    // The window repaints on UpdateRequest: the mask for what it is about to show is put in
    // place just before.
    if (event->type() == QEvent::UpdateRequest) {
        if (toolkitBehind_) {
            // The server showed contents that the window did not paint: what it painted last
            // is older, so all of it is painted again, not only what changed since.
            toolkitBehind_ = false;
            window_->update();
        }
        {
            const QScopedValueRollback painting(aboutToPaint_, true);
            Update();
        }
        // The window paints and hands the new content to the X server now; a shape sent
        // after it on the same connection takes effect only after the content has changed,
        // so the whole new mask can follow at once.
        static_cast<QObject*>(window_)->event(event);
        FinishShape();
        return true;
    }
    if (event->type() == QEvent::Resize && alphaKey_)
        alphaKey_->setGeometry(window_->rect());
    if (event->type() == QEvent::Show)
        FollowDesktop();
    if (event->type() == QEvent::Show || event->type() == QEvent::Resize)
        Update();
    return false;
}

void ColourKey::Update() {
    // Rendering sends the window its pending events, which would come back here.
    if (updating_ || window_->width() <= 0 || window_->height() <= 0)
        return;
    const QScopedValueRollback guard(updating_, true);
    const size_t stamp = CurrentStamp();
    const auto known = masksByStamp_.constFind(stamp);
    const bool seen = stamp_ && known != masksByStamp_.constEnd();
    const QRegion mask = seen ? known.value() : RenderedMask();
    if (stamp_ && !seen) {
        if (masksByStamp_.size() >= MaxCachedMasks)
            masksByStamp_.clear();
        masksByStamp_.insert(stamp, mask);
        way_->Keep(stamp, content_, mask);
    }
    // Kept, the content and its shape go on screen together at once (the window's own
    // painting that follows puts the same pixels there). A content kept nowhere is the
    // window's own to show, exposures included, or shown once by the way that shows it.
    if (Present(stamp, mask))
        return;
    if (!way_->ShowsNativeWindow()) {
        if (seen)
            RenderedMask();
        way_->Show(&content_, mask);
        shown_ = mask;
        applied_ = true;
        return;
    }
    if (replay_)
        replay_->ReturnToToolkit();
    if (applied_ && mask == shown_)
        return;
    if (!applied_ || !window_->isVisible()) {
        Apply(mask);
        return;
    }
    // The window still shows the old content. Until the new one has reached the screen only
    // pixels that are not the key in both may show; then all of the new mask.
    const QRegion meanwhile = shown_.intersected(mask);
    if (meanwhile != shown_)
        ApplyShape(meanwhile);
    shown_ = mask;
    finishPending_ = meanwhile != mask;
    if (finishPending_ && !aboutToPaint_)
        QTimer::singleShot(0, this, &ColourKey::FinishShape);
}

ServerReplay* ColourKey::Replay() {
    // Made once the window shows, when the toolkit has settled on its native window. Contents
    // are kept as the window shows them, one device pixel a pixel.
    if (!replayTried_ && window_->isVisible() && window_->devicePixelRatio() == 1.0) {
        replayTried_ = true;
        replay_ = ServerReplay::For(window_);
        if (replay_)
            window_->windowHandle()->installEventFilter(this);
    }
    return replay_.get();
}

size_t ColourKey::CurrentStamp() const {
    return stamp_ ? qHashMulti(stamp_(), window_->width(), window_->height()) : 0;
}

bool ColourKey::Present(size_t stamp, const QRegion& mask) {
    // On X only once the window system has shown the window: the toolkit needs that first
    // exposure, which presenting would take away.
    const QWindow* native = window_->windowHandle();
    if (!stamp_ || !window_->isVisible() ||
        (way_->ShowsNativeWindow() &&
         (!replay_ || !native || !native->isExposed() || window_->devicePixelRatio() != 1.0)) ||
        !way_->Present(stamp))
        return false;
    shown_ = mask;
    applied_ = true;
    finishPending_ = false;
    return true;
}

bool ColourKey::PresentKnownContent() {
    if (updating_)
        return false;
    const size_t stamp = CurrentStamp();
    const auto known = masksByStamp_.constFind(stamp);
    if (known == masksByStamp_.constEnd() || !Present(stamp, known.value()))
        return false;
    toolkitBehind_ = way_->ShowsNativeWindow();
    return true;
}

void ColourKey::FinishShape() {
    if (!finishPending_)
        return;
    finishPending_ = false;
    ApplyShape(shown_);
}

QRegion ColourKey::RenderedMask() {
    if (stamp_)
        releaseBuffer_.start();
    // One buffer for every frame: a new one each time costs a fresh mapping of its memory.
    if (content_.size() != window_->size())
        content_ = QImage(window_->size(), QImage::Format_RGB32);
    QImage& content = content_;
    content.fill(key_);
    {
        // The whole window, not only what the current mask lets through.
        QPainter painter(&content);
        window_->render(&painter, QPoint(), QRegion(),
                        QWidget::DrawWindowBackground | QWidget::DrawChildren |
                            QWidget::IgnoreMask);
    }
    const size_t fingerprint =
        qHashBits(content.constBits(), static_cast<size_t>(content.sizeInBytes()),
                  static_cast<size_t>(content.width()) << 16 ^ content.height());
    auto cached = masks_.constFind(fingerprint);
    QRegion mask;
    if (cached != masks_.constEnd()) {
        mask = cached.value();
    } else {
        const QImage opaque = content.createMaskFromColor(key_ | 0xff000000u, Qt::MaskInColor);
        mask = QRegion(QBitmap::fromImage(opaque));
        if (masks_.size() >= MaxCachedMasks)
            masks_.clear();
        masks_.insert(fingerprint, mask);
    }
    // As the window shows them, for keeping: the key transparent in a window with alpha.
    if (hasAlpha_)
        ClearKeyAlpha(content, content.rect(), key_);
    return mask;
}

void ColourKey::Apply(const QRegion& mask) {
    shown_ = mask;
    applied_ = true;
    ApplyShape(mask);
}

void ColourKey::ApplyShape(const QRegion& mask) {
    way_->Show(nullptr, mask);
}

void ColourKey::ChooseAlpha(bool alpha) {
    hasAlpha_ = alpha;
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

void ColourKey::RemakeNativeWindow() {
    remakePending_ = false;
    QWindow* native = window_->windowHandle();
    const bool wanted = DesktopWantsAlpha();
    if (!native || !window_->isVisible() || (x11::Depth(native) == 32) == wanted)
        return;
    remadeFor_ = wanted;
    // What the server kept belongs to the old native window: contents are kept anew.
    replay_.reset();
    replayTried_ = false;
    masksByStamp_.clear();
    applied_ = false;
    window_->hide();
    ChooseAlpha(wanted);
    window_->show();
}

void ColourKey::FollowDesktop() {
    if (!way_->ShowsNativeWindow())
        return;
    QWindow* native = window_->windowHandle();
    const bool wanted = alphaKey_ && DesktopWantsAlpha();
    const bool withAlpha = native && x11::Depth(native) == 32;
    // The window is made anew with or without an alpha channel, as the desktop now calls for
    // (once: where the toolkit cannot make it so, it stays as it is).
    if (withAlpha != wanted && alphaKey_ && window_->isVisible() && remadeFor_ != int(wanted)) {
        if (!remakePending_)
            QTimer::singleShot(0, this, &ColourKey::RemakeNativeWindow);
        remakePending_ = true;
        return;
    }
    if (withAlpha == wanted)
        remadeFor_ = -1;
    const bool byAlpha = withAlpha && wanted;
    if (byAlpha == way_->KeyByAlpha())
        return;
    // The shape of the other way goes: the whole rectangle shows, or takes the mouse.
    way_->Leave();
    const auto replay = [this] { return Replay(); };
    if (byAlpha)
        way_ = std::make_unique<AlphaWay>(window_, replay);
    else
        way_ = std::make_unique<OutlineWay>(window_, replay);
    if (applied_)
        ApplyShape(shown_);
}

} // namespace platform
