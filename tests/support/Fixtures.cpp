#include "Fixtures.h"

#include "gifwriter/GifWriter.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <gif_lib.h>

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

QRgb ColourOf(char letter) {
    const char* found = std::strchr(ColourLetters, letter);
    return letter && found ? Colours[found - ColourLetters] : qRgb(0, 0, 0);
}

ColorMapObject* ColourTable(const QByteArray& letters) {
    int count = 2;
    while (count < letters.size())
        count *= 2;
    ColorMapObject* map = GifMakeMapObject(count, nullptr);
    for (int i = 0; map && i < count; ++i) {
        const QRgb c = ColourOf(i < letters.size() ? letters.at(i) : 0);
        map->Colors[i] = {GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))};
    }
    return map;
}

int AppendBytes(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

} // namespace

QByteArray GifBytes(QSize screen, const QByteArray& colours, const QList<GifFrame>& frames,
                    const GifLoopBlock& loop, char background) {
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendBytes, &error);
    if (!gif)
        return {};
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = colours.isEmpty() ? nullptr : ColourTable(colours);
    bool written =
        EGifPutScreenDesc(gif, screen.width(), screen.height(), 8,
                          std::max(0, int(colours.indexOf(background))), global) != GIF_ERROR;
    GifFreeMapObject(global);
    for (int f = 0; written && f <= frames.size(); ++f) {
        if (f == loop.beforeFrame) {
            const GifByteType count[3] = {1, GifByteType(loop.repeats & 0xff),
                                          GifByteType(loop.repeats >> 8)};
            written = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
                      EGifPutExtensionBlock(gif, 11, loop.name.constData()) != GIF_ERROR &&
                      EGifPutExtensionBlock(gif, 3, count) != GIF_ERROR &&
                      EGifPutExtensionTrailer(gif) != GIF_ERROR;
        }
        if (f == frames.size())
            break;
        const GifFrame& frame = frames[f];
        const QByteArray& table = frame.colours.isEmpty() ? colours : frame.colours;
        GraphicsControlBlock control{frame.disposal, false, frame.delayCs,
                                     frame.transparent ? int(table.indexOf(frame.transparent))
                                                       : NO_TRANSPARENT_COLOR};
        GifByteType extension[4];
        ColorMapObject* local = frame.colours.isEmpty() ? nullptr : ColourTable(frame.colours);
        const QRect& area = frame.area;
        written = written &&
                  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE,
                                   int(EGifGCBToExtension(&control, extension)),
                                   extension) != GIF_ERROR &&
                  EGifPutImageDesc(gif, area.x(), area.y(), area.width(), area.height(),
                                   frame.interlaced, local) != GIF_ERROR;
        GifFreeMapObject(local);
        std::vector<GifPixelType> line(std::size_t(area.width()));
        for (int y = 0; written && y < area.height(); ++y) {
            for (int x = 0; x < area.width(); ++x)
                line[x] = GifPixelType(table.indexOf(frame.pixels.at(y * area.width() + x)));
            written = EGifPutLine(gif, line.data(), area.width()) != GIF_ERROR;
        }
    }
    written = EGifCloseFile(gif, &error) != GIF_ERROR && written;
    return written ? bytes : QByteArray();
}

QString Letters(const QImage& picture) {
    QString letters;
    for (int y = 0; y < picture.height(); ++y) {
        if (y > 0)
            letters += '|';
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

void RunEventLoop(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QTest::qWait(int(qMax<qint64>(1, deadline.remainingTime())));
}

} // namespace fixtures
