#include "CommandButton.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace platform {

CommandButton::CommandButton(QWidget* parent)
    : QPushButton(parent) {}

void CommandButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The bevel's light and dark edges follow from the face colour, as they did on the
    // classic desktop.
    const QPalette classic(palette().color(QPalette::Button));
    QRect bevel = rect();
    if (isDefault()) {
        painter.setPen(classic.color(QPalette::Shadow));
        painter.drawRect(bevel.adjusted(0, 0, -1, -1));
        bevel.adjust(1, 1, -1, -1);
    }
    const QBrush face = classic.brush(QPalette::Button);
    qDrawWinButton(&painter, bevel, classic, isDown(), &face);

    // Pressed, the caption moves a pixel down and to the right, as the bevel does.
    const QRect caption = bevel.translated(isDown() ? QPoint(1, 1) : QPoint());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = bevel.adjusted(4, 4, -4, -4);
        focus.backgroundColor = face.color();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace platform
