#include "Fixtures.h"

#include "gifwriter/GifWriter.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <algorithm>
#include <cstring>

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

namespace {

const char ColourLetters[] = "RGBYWK";
const QRgb Colours[] = {qRgb(255, 0, 0),   qRgb(0, 255, 0),     qRgb(0, 0, 255),
                        qRgb(255, 255, 0), qRgb(255, 255, 255), qRgb(0, 0, 0)};

std::vector<gifwriter::Rgb> Palette(const QByteArray& letters) {
    std::vector<gifwriter::Rgb> palette;
    for (const char letter : letters) {
        const char* found = std::strchr(ColourLetters, letter);
        const QRgb c = letter && found ? Colours[found - ColourLetters] : qRgb(0, 0, 0);
        palette.push_back({std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))});
    }
    return palette;
}

} // namespace

QByteArray GifBytes(QSize screen, const QByteArray& colours, const QList<GifFrame>& frames,
                    const GifLoopBlock& loop, char background) {
    gifwriter::Animation animation{screen.width(),
                                   screen.height(),
                                   Palette(colours),
                                   {},
                                   loop.beforeFrame < 0 ? -1 : loop.repeats,
                                   loop.beforeFrame,
                                   loop.name.toStdString(),
                                   std::max(0, int(colours.indexOf(background)))};
    for (const GifFrame& f : frames) {
        const QByteArray& table = f.colours.isEmpty() ? colours : f.colours;
        std::vector<std::uint8_t> pixels;
        for (const char letter : f.pixels)
            pixels.push_back(std::uint8_t(table.indexOf(letter)));
        animation.frames.push_back({pixels, f.delayCs,
                                    f.transparent ? int(table.indexOf(f.transparent)) : -1,
                                    f.area.x(), f.area.y(), f.area.width(), f.area.height(),
                                    f.disposal, f.interlaced, Palette(f.colours)});
    }
    const QTemporaryDir dir;
    const QString path = dir.filePath("f.gif");
    return gifwriter::WriteGif(QFile::encodeName(path).toStdString(), animation).empty()
               ? ReadBytes(path)
               : QByteArray();
}

QString Letters(const QImage& picture) {
    QString letters;
    for (int y = 0; y < picture.height(); ++y) {
        letters += QString(y > 0, '|');
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            const auto known = std::find(std::begin(Colours), std::end(Colours), pixel);
            letters += qAlpha(pixel) == 0           ? '.'
                       : known != std::end(Colours) ? ColourLetters[known - Colours]
                                                    : '?';
        }
    }
    return letters;
}

QString LinkedPicturePage(const CurrentFolder& folder, const QString& href, const QString& extra) {
    WriteGif(folder.file("link.gif"), 40, 30, 1, {QColor(255, 0, 0)});
    return QStringLiteral("<html><body topmargin=0 leftmargin=0 bgcolor='#ffff00'><a href='%1' %2>"
                          "<img src='%3' border=0></a></body></html>")
        .arg(href, extra, folder.file("link.gif"));
}

void RunEventLoop(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QTest::qWait(int(qMax<qint64>(1, deadline.remainingTime())));
}

} // namespace fixtures
