#include "Fixtures.h"

#include "gifwriter/GifWriter.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <algorithm>

namespace fixtures {

bool WriteDrawnGif(const QString& path, int width, int height, int frames,
                   const QList<QColor>& palette, int delayCs,
                   const std::function<std::uint8_t(int frame, int x, int y)>& index,
                   int transparent) {
    gifwriter::Animation animation{width, height, {}, {}};
    for (const QColor& c : palette)
        animation.palette.push_back(
            {std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())});
    for (int f = 0; f < frames; ++f) {
        gifwriter::Frame& frame = animation.frames.emplace_back();
        frame.delayCs = delayCs;
        frame.transparentIndex = transparent;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                frame.pixels.push_back(index(f, x, y));
    }
    return gifwriter::WriteGif(QFile::encodeName(path).toStdString(), animation).empty();
}

bool WriteGif(const QString& path, int width, int height, int frames, const QList<QColor>& colours,
              int delayCs) {
    const auto count = colours.size();
    return WriteDrawnGif(path, width, height, frames, colours, delayCs,
                         [count](int f, int, int) { return std::uint8_t(f % count); });
}

bool WriteGifs(const QStringList& names, int width, int height) {
    return std::all_of(names.begin(), names.end(),
                       [&](const QString& name) { return WriteGif(name, width, height); });
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray GifSkeleton(QSize screen, int frames, QSize frame) {
    const auto sizeBytes = [](int x, int y) {
        QByteArray bytes;
        for (int value : {x, y})
            bytes.append(char(value & 0xff)).append(char(value >> 8));
        return bytes;
    };
    // Black and red, then image descriptors whose LZW data ends at once; or, for a frame of
    // one pixel, standing at (1, 1), holds that pixel in red.
    QByteArray gif = "GIF89a" + sizeBytes(screen.width(), screen.height()) +
                     QByteArray("\x80\0\0\0\0\0\xff\0\0", 9);
    const bool pixel = frame == QSize(1, 1);
    for (int f = 0; f < frames; ++f) {
        gif += ',' + (pixel ? sizeBytes(1, 1) : sizeBytes(0, 0));
        gif += frame.isEmpty() ? sizeBytes(screen.width(), screen.height()) : sizeBytes(1, 1);
        gif += pixel ? QByteArray("\0\2\2\x4c\x01\0", 6) : QByteArray("\0\2\0", 3);
    }
    return gif + ';';
}

void RunEventLoop(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QTest::qWait(int(qMax<qint64>(1, deadline.remainingTime())));
}

} // namespace fixtures
