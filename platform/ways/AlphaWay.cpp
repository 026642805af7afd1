#include "AlphaWay.h"

#include "platform/X11.h"

#include <QWidget>
#include <QWindow>

namespace platform {

void AlphaWay::Show(const QImage*, const QRegion& mask) {
    window_->winId();
    if (QWindow* native = window_->windowHandle())
        x11::SetInputShape(native, mask);
}

void AlphaWay::Leave() {
    if (QWindow* native = window_->windowHandle())
        x11::ResetInputShape(native);
}

} // namespace platform
