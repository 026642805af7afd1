#include "ColourKey.h"

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

ColourKey* ColourKey::Of(const QWidget* window) {
    return qobject_cast<ColourKey*>(window->property(KeyProperty).value<QObject*>());
}

bool ColourKey::eventFilter(QObject* watched, QEvent* event) {
    // The window repaints on UpdateRequest: the mask for what it is about to show is put in
    // place just before.
    if (watched != window_)
        return false;
    if (event->type() == QEvent::UpdateRequest) {
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
    if (event->type() == QEvent::Show || event->type() == QEvent::Resize)
        Update();
    return false;
}

void ColourKey::Update() {
    // Rendering sends the window its pending events, which would come back here.
    if (updating_ || window_->width() <= 0 || window_->height() <= 0)
        return;
    const QScopedValueRollback guard(updating_, true);
    const size_t stamp = stamp_ ? qHashMulti(stamp_(), window_->width(), window_->height()) : 0;
    const auto known = masksByStamp_.constFind(stamp);
    const bool seen = stamp_ && known != masksByStamp_.constEnd();
    const QRegion mask = seen ? known.value() : RenderedMask();
    if (stamp_ && !seen) {
        if (masksByStamp_.size() >= MaxCachedMasks)
            masksByStamp_.clear();
        masksByStamp_.insert(stamp, mask);
    }
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
    return mask;
}

void ColourKey::Apply(const QRegion& mask) {
    shown_ = mask;
    applied_ = true;
    ApplyShape(mask);
}

void ColourKey::ApplyShape(const QRegion& mask) {
    // The native window's shape only: a widget mask would also clip the widgets' painting,
    // and pixels about to be shown would be left unpainted. An empty mask would mean "no
    // mask": a window all of the key colour shows nothing.
    window_->winId();
    if (QWindow* native = window_->windowHandle())
        native->setMask(mask.isEmpty() ? QRegion(-1, -1, 1, 1) : mask);
}

} // namespace platform
