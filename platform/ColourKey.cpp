#include "ColourKey.h"

#include "KeyBackend.h"
#include "Logging.h"

#include <QBitmap>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <malloc.h>

namespace platform {

namespace {

constexpr char KeyProperty[] = "lumivastColourKey";
// Distinct contents remembered per window; a looping animation has one per frame.
constexpr int MaxCachedMasks = 512;

} // namespace

ColourKey::ColourKey(QWidget* window, QRgb key)
    : QObject(window)
    , window_(window)
    , key_(key & 0xffffff) {
    window_->installEventFilter(this);
    // The key follows the window's repaints as the toolkit asks the window itself for them;
    // one asked of its native window instead would go by unseen.
    if (QWindow* native = window_->windowHandle())
        native->installEventFilter(this);
    backend_ = ChooseKeyBackend(window_, key_);
    connect(backend_.get(), &KeyBackend::KeptContentsLost, this, [this] { masksByStamp_.clear(); });
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
    if (watched == window_->windowHandle() && event->type() == QEvent::UpdateRequest) {
        static bool said = false;
        if (!std::exchange(said, true))
            qCWarning(lcKey) << "the toolkit repaints the window without an update request to"
                             << "it: the key's mask may come a frame late";
        return false;
    }
    if (watched != window_)
        return false;
    switch (event->type()) {
    case QEvent::Hide:
        backend_->WindowHidden();
        break;
    case QEvent::UpdateRequest:
        // The window repaints on UpdateRequest: the mask for what it is about to show is put
        // in place just before, and the backend hears when the window has painted.
        backend_->BeforePaint();
        Update();
        static_cast<QObject*>(window_)->event(event);
        backend_->AfterPaint();
        return true;
    case QEvent::Show:
        backend_->WindowShown();
        Update();
        break;
    case QEvent::Resize:
        Update();
        break;
    default:
        break;
    }
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
        backend_->Keep(stamp, content_, mask);
    }
    // Kept, the content and its shape go on screen together at once (the window's own
    // painting that follows puts the same pixels there). A content kept nowhere is the
    // window's own to show, or the backend's to show once.
    if (Present(stamp, mask))
        return;
    const bool rendered = backend_->ShowsRenderedContent();
    if (rendered && seen)
        RenderedMask();
    backend_->Show(rendered ? &content_ : nullptr, mask);
    shown_ = mask;
}

size_t ColourKey::CurrentStamp() const {
    return stamp_ ? qHashMulti(stamp_(), window_->width(), window_->height()) : 0;
}

bool ColourKey::Present(size_t stamp, const QRegion& mask) {
    if (!stamp_ || !window_->isVisible() || !backend_->Present(stamp, mask))
        return false;
    shown_ = mask;
    return true;
}

bool ColourKey::PresentKnownContent() {
    if (updating_)
        return false;
    const size_t stamp = CurrentStamp();
    const auto known = masksByStamp_.constFind(stamp);
    return known != masksByStamp_.constEnd() && Present(stamp, known.value());
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
    if (backend_->KeyByAlpha())
        ClearKeyAlpha(content, content.rect(), key_);
    return mask;
}

} // namespace platform
