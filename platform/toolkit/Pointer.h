#pragma once

#include <QPoint>

namespace platform {

// Where the mouse pointer is, in the screen's coordinates: the toolkit's own word, unless a
// click that reached the program outside the toolkit is being handled (a surface of the
// program's own on a Wayland compositor, over which the toolkit never sees the pointer).
QPoint PointerPosition();

// While it lives, the pointer is at `position` for PointerPosition.
class PointerElsewhere {
public:
    explicit PointerElsewhere(QPoint position);
    ~PointerElsewhere();
    PointerElsewhere(const PointerElsewhere&) = delete;
    PointerElsewhere& operator=(const PointerElsewhere&) = delete;
    QPoint Position() const { return position_; }

private:
    PointerElsewhere* outer_;
    QPoint position_;
};

} // namespace platform
