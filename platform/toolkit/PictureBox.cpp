#include "PictureBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace platform {

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::FilledBox(QPoint from, QPoint to, const QColor& colour) {
    const QRect box = QRect(from, to).normalized();
    // The drawing may reach beyond the box as it is now; that part shows once the box grows.
    GrowTo(QSize(box.right() + 1, box.bottom() + 1));
    QPainter(&drawing_).fillRect(box, colour);
    update(box);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(backgroundRole()));
    painter.drawImage(event->rect(), drawing_, event->rect());
}

void PictureBox::GrowTo(QSize size) {
    if (drawing_.width() >= size.width() && drawing_.height() >= size.height())
        return;
    QImage larger(drawing_.size().expandedTo(size), QImage::Format_ARGB32_Premultiplied);
    larger.fill(Qt::transparent);
    QPainter(&larger).drawImage(0, 0, drawing_);
    drawing_ = larger;
}

} // namespace platform
