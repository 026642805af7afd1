#pragma once

#include <QImage>
#include <QWidget>

namespace platform {

// A box to draw on whose drawing stays: what is drawn goes into a picture of its own,
// which every repaint shows, on the box's background colour. Coordinates are its pixels.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    // A box with corners `from` and `to`, both included, filled with `colour`.
    void FilledBox(QPoint from, QPoint to, const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Makes the drawing at least `size`; what was drawn stays where it was.
    void GrowTo(QSize size);

    QImage drawing_;
};

} // namespace platform
