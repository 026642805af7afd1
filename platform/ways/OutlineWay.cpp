#include "OutlineWay.h"

#include "platform/ServerReplay.h"

#include <QWidget>
#include <QWindow>

namespace platform {

void OutlineWay::Show(const QImage*, const QRegion& mask) {
    // The native window's shape only: a widget mask would also clip the widgets' painting,
    // and pixels about to be shown would be left unpainted. An empty mask would mean "no
    // mask": a window all of the key colour shows nothing.
    window_->winId();
    if (QWindow* native = window_->windowHandle())
        native->setMask(mask.isEmpty() ? QRegion(-1, -1, 1, 1) : mask);
}

bool OutlineWay::Present(std::size_t stamp) {
    ServerReplay* replay = Replay();
    return replay && replay->Present(stamp, ServerReplay::Shape::Outline);
}

void OutlineWay::Leave() {
    if (QWindow* native = window_->windowHandle())
        native->setMask(QRegion());
}

} // namespace platform
