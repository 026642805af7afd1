#include "Pointer.h"

#include <QCursor>

namespace platform {

namespace {

PointerElsewhere* innermost = nullptr;

} // namespace

QPoint PointerPosition() {
    return innermost ? innermost->Position() : QCursor::pos();
}

PointerElsewhere::PointerElsewhere(QPoint position)
    : outer_(innermost)
    , position_(position) {
    innermost = this;
}

PointerElsewhere::~PointerElsewhere() {
    innermost = outer_;
}

} // namespace platform
