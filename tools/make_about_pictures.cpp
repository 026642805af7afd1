// Draws the About window's two pictures: the hourglass (71 × 126, black on the window's grey,
// no transparency, as a 24-bit picture) and the link's pointer (a 32 × 32 pointing hand in
// black and white with its fingertip at the top-left corner, the rest transparent).
// Usage: make_about_pictures HOURGLASS.png POINTER.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage DrawHourglass() {
    QImage image(71, 126, QImage::Format_RGB888);
    image.fill(QColor(192, 192, 192));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 3));
    p.setBrush(Qt::NoBrush);
    // The two wooden plates and the posts between them.
    p.fillRect(QRect(4, 4, 63, 8), Qt::black);
    p.fillRect(QRect(4, 114, 63, 8), Qt::black);
    p.fillRect(QRect(8, 12, 3, 102), Qt::black);
    p.fillRect(QRect(60, 12, 3, 102), Qt::black);
    // The glass: two bulbs meeting at a narrow neck.
    QPainterPath glass;
    glass.moveTo(17, 14);
    glass.cubicTo(15, 40, 30, 52, 33, 63);
    glass.cubicTo(30, 74, 15, 86, 17, 112);
    glass.lineTo(54, 112);
    glass.cubicTo(56, 86, 41, 74, 38, 63);
    glass.cubicTo(41, 52, 56, 40, 54, 14);
    glass.closeSubpath();
    p.setPen(QPen(Qt::black, 2));
    p.drawPath(glass);
    // Sand: what is left above, the thread through the neck, the heap below.
    QPainterPath top;
    top.moveTo(24, 36);
    top.lineTo(47, 36);
    top.cubicTo(44, 46, 38, 54, 35, 60);
    top.cubicTo(33, 54, 27, 46, 24, 36);
    p.fillPath(top, Qt::black);
    p.fillRect(QRect(35, 60, 1, 40), Qt::black);
    QPainterPath heap;
    heap.moveTo(19, 110);
    heap.cubicTo(25, 96, 31, 94, 35, 92);
    heap.cubicTo(40, 94, 46, 96, 52, 110);
    heap.closeSubpath();
    p.fillPath(heap, Qt::black);
    return image;
}

QImage DrawPointingHand() {
    // Drawn with the fingertip at 0, 0: the hand points up and to the left.
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath hand;
    hand.moveTo(0, 0); // fingertip
    hand.lineTo(5, 1);
    hand.lineTo(14, 10); // along the index finger
    hand.lineTo(18, 9);
    hand.lineTo(21, 12);
    hand.lineTo(24, 12);
    hand.lineTo(27, 16);
    hand.lineTo(29, 17);
    hand.lineTo(31, 22); // the knuckles
    hand.lineTo(31, 27);
    hand.lineTo(26, 31); // the wrist
    hand.lineTo(18, 31);
    hand.lineTo(9, 22);
    hand.lineTo(6, 15); // the thumb
    hand.lineTo(9, 13);
    hand.lineTo(11, 14);
    hand.lineTo(1, 5);
    hand.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    // The folded fingers.
    p.drawLine(18, 9, 20, 15);
    p.drawLine(21, 12, 23, 17);
    p.drawLine(24, 12, 26, 19);
    return image;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList outputs = app.arguments().mid(1);
    if (outputs.size() != 2) {
        std::fprintf(stderr, "usage: %s HOURGLASS.png POINTER.png\n", argv[0]);
        return 2;
    }
    return DrawHourglass().save(outputs[0]) && DrawPointingHand().save(outputs[1]) ? 0 : 1;
}
