// Draws the sample pictures: small animated figures on a pure black background, which the
// overlay makes transparent. Usage: make_samples OUTPUT_FOLDER
#include "gifwriter/GifWriter.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>
#include <functional>

namespace {

// Black first: index 0 is the background the overlay keys out. No figure colour is black.
const QList<QColor> Palette = {
    QColor(0, 0, 0),       QColor(255, 255, 255), QColor(230, 60, 40), QColor(255, 170, 30),
    QColor(255, 230, 60),  QColor(60, 160, 255),  QColor(40, 200, 90), QColor(120, 70, 40),
    QColor(200, 200, 210), QColor(255, 120, 180), QColor(30, 30, 120), QColor(90, 90, 90),
};

using DrawFrame = std::function<void(QPainter&, int frame, int frames)>;

// Paints each frame without antialiasing, so every pixel is exactly a palette colour.
gifwriter::Animation Render(int width, int height, int frames, int delayCs, const DrawFrame& draw) {
    gifwriter::Animation animation;
    animation.width = width;
    animation.height = height;
    for (const QColor& c : Palette)
        animation.palette.push_back({static_cast<std::uint8_t>(c.red()),
                                     static_cast<std::uint8_t>(c.green()),
                                     static_cast<std::uint8_t>(c.blue())});
    for (int f = 0; f < frames; ++f) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing, false);
            draw(painter, f, frames);
        }
        gifwriter::Frame frame;
        frame.delayCs = delayCs;
        frame.pixels.reserve(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int index = Palette.indexOf(QColor(image.pixel(x, y)));
                frame.pixels.push_back(static_cast<std::uint8_t>(index < 0 ? 0 : index));
            }
        }
        animation.frames.push_back(std::move(frame));
    }
    return animation;
}

void Ball(QPainter& p, int f, int frames) {
    const double t = static_cast<double>(f) / frames;
    const double height = 4 * t * (1 - t); // 0 at the floor, 1 at the top
    const int squash = f == 0 ? 6 : 0;
    const int y = static_cast<int>(58 - 44 * height);
    p.setPen(Qt::NoPen);
    p.setBrush(Palette[2]);
    p.drawEllipse(QPoint(32, y - 8 + squash / 2), 9 + squash / 2, 9 - squash / 2);
    p.setBrush(Palette[4]);
    p.drawEllipse(QPoint(28, y - 12 + squash / 2), 3, 3);
    p.setBrush(Palette[11]);
    p.drawEllipse(QPoint(32, 61), static_cast<int>(10 - 6 * height), 2);
}

void Star(QPainter& p, int f, int frames) {
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double angle = 2 * M_PI * (i / 10.0 + static_cast<double>(f) / frames / 5);
        const double radius = i % 2 == 0 ? 28 : 12;
        const QPointF point(32 + radius * qSin(angle), 32 - radius * qCos(angle));
        i == 0 ? star.moveTo(point) : star.lineTo(point);
    }
    star.closeSubpath();
    p.setPen(QPen(Palette[3], 2));
    p.setBrush(Palette[4]);
    p.drawPath(star);
    p.setPen(Qt::NoPen);
    p.setBrush(Palette[10]);
    p.drawEllipse(QPoint(27, 30), 2, 3);
    p.drawEllipse(QPoint(37, 30), 2, 3);
}

void Walker(QPainter& p, int f, int frames) {
    const double swing = qSin(2 * M_PI * f / frames);
    const QPoint hip(24, 40);
    const QPoint neck(24, 20);
    p.setPen(QPen(Palette[5], 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(neck, hip);
    p.drawLine(hip, hip + QPoint(static_cast<int>(10 * swing), 20));
    p.drawLine(hip, hip + QPoint(static_cast<int>(-10 * swing), 20));
    p.drawLine(neck + QPoint(0, 4), neck + QPoint(static_cast<int>(-9 * swing), 16));
    p.drawLine(neck + QPoint(0, 4), neck + QPoint(static_cast<int>(9 * swing), 16));
    p.setPen(Qt::NoPen);
    p.setBrush(Palette[9]);
    p.drawEllipse(QPoint(24, 12), 7, 7);
    p.setBrush(Palette[1]);
    p.drawEllipse(QPoint(27, 10), 2, 2);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    struct Sample {
        const char* name;
        gifwriter::Animation animation;
    };
    const Sample samples[] = {
        {"ball.gif", Render(64, 64, 12, 6, Ball)},
        {"star.gif", Render(64, 64, 16, 5, Star)},
        {"walker.gif", Render(48, 64, 8, 10, Walker)},
    };
    for (const Sample& sample : samples) {
        const QString path = folder.filePath(QString::fromLatin1(sample.name));
        const std::string error = gifwriter::WriteGif(path.toStdString(), sample.animation);
        if (!error.empty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), error.c_str());
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
