// What pictures cost: decoding and keeping an animation's frames with the program's own
// composer against the toolkit's GIF reader (which decoded them before), the picture holder
// loading the same unchanged file again (the one-picture timer does it every 50 ms) against a
// changed one, a picture shown twice in the browser (decoded once), and the frames an
// animation keeps after its first play.
// Usage: bench_pictures [RUNS]   (run with QT_QPA_PLATFORM=offscreen)
#include "CpuTime.h"
#include "gifwriter/GifWriter.h"
#include "platform/CompactFrame.h"
#include "platform/PictureDecoder.h"
#include "platform/browser/Picture.h"
#include "platform/toolkit/ImageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QMovie>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <vector>

using platform::browser::Picture;

namespace {

// A disc moving over stripes, in `colours` colours (at most 256); or, `dithered`, a moving
// gradient dithered at every pixel, as pictures made from photographs are.
QString WriteAnimation(const QTemporaryDir& dir, int w, int h, int frames, int colours,
                       bool dithered = false) {
    gifwriter::Animation animation{w, h, {}, {}};
    for (int i = 0; i < colours; ++i)
        animation.palette.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)});
    for (int f = 0; f < frames; ++f) {
        gifwriter::Frame& frame = animation.frames.emplace_back();
        frame.delayCs = 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int dx = x - f * w / frames, dy = y - h / 2;
                const unsigned noise = (x * 73856093u ^ y * 19349663u ^ f * 83492791u) >> 7;
                frame.pixels.push_back(dithered ? ((x / 4 + y / 4 + f) * 13 % (colours / 4)) * 4 +
                                                      noise % 4
                                       : dx * dx + dy * dy < h * h / 9 ? 1 + (x + y) % (colours - 1)
                                                                       : (y / 8) % 2);
            }
    }
    const QString path = dir.filePath(
        QString("anim-%1x%2x%3%4.gif").arg(w).arg(h).arg(frames).arg(dithered ? "d" : ""));
    return gifwriter::WriteGif(path.toStdString(), animation).empty() ? path : QString();
}

// Bytes the process has taken from the heap and not given back.
double HeapMiB() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024 * 1024);
}

// Decodes every frame of `path` once and keeps it as a picture keeps it during its first
// play (at one byte a pixel when `compact`); CPU time a frame, and the most heap taken by the
// decoder, its frame and the kept frames.
template <class Decode>
std::pair<double, double> DecodeAndKeep(const QString& path, bool compact, Decode decode) {
    malloc_trim(0);
    const double heapBefore = HeapMiB();
    std::vector<QImage> kept;
    const double start = CpuMs();
    double heap = 0;
    decode(path, [&](const QImage& frame) {
        kept.push_back(compact ? platform::CompactFrame(frame) : QImage());
        heap = std::max(heap, HeapMiB() - heapBefore);
    });
    const double perFrame = (CpuMs() - start) / std::max<std::size_t>(1, kept.size());
    return {perFrame, heap};
}

void CompareDecoders(const QTemporaryDir& dir, int runs) {
    struct Case {
        int w, h, frames;
        bool compact, dithered;
    };
    for (const Case c : {Case{400, 300, 20, true, false}, Case{400, 300, 20, true, true},
                         Case{1024, 768, 12, false, false}, Case{1024, 768, 12, false, true}}) {
        const QString path = WriteAnimation(dir, c.w, c.h, c.frames, 200, c.dithered);
        std::vector<double> qtMs, readerMs, ownMs, qtHeap, ownHeap;
        // In turn, so that both meet the machine in the same state.
        for (int i = 0; i < runs; ++i) {
            // As pictures played before: the toolkit's movie, which reads each frame with its
            // GIF reader and hands it over as a pixmap.
            const auto qt = DecodeAndKeep(path, c.compact, [](const QString& file, auto keep) {
                QMovie movie(file);
                movie.setCacheMode(QMovie::CacheNone);
                for (int i = 0; i < movie.frameCount() && movie.jumpToNextFrame(); ++i)
                    keep(movie.currentImage());
            });
            const auto reader = DecodeAndKeep(path, c.compact, [](const QString& file, auto keep) {
                QImageReader reader(file);
                for (QImage frame; reader.read(&frame);)
                    keep(frame);
            });
            const auto own = DecodeAndKeep(path, c.compact, [](const QString& file, auto keep) {
                platform::PictureDecoder decoder(file);
                while (decoder.Next())
                    keep(decoder.Frame());
            });
            qtMs.push_back(qt.first), qtHeap.push_back(qt.second);
            readerMs.push_back(reader.first);
            ownMs.push_back(own.first), ownHeap.push_back(own.second);
        }
        std::printf(
            "%d x %d, %d %s frames, decoded%s: before (the toolkit's movie) %.3f ms a frame, "
            "%.1f MiB; the composer %.3f ms a frame (%.2f x), %.1f MiB; the toolkit's "
            "reader alone %.3f ms a frame\n",
            c.w, c.h, c.frames, c.dithered ? "dithered" : "simple",
            c.compact ? " and kept at one byte a pixel" : "", Median(qtMs), Median(qtHeap),
            Median(ownMs), Median(ownMs) / Median(qtMs), Median(ownHeap), Median(readerMs));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 31;
    QTemporaryDir dir;
    CompareDecoders(dir, runs);
    const QString still = WriteAnimation(dir, 400, 300, 1, 16);

    // The picture holder: a decode for a changed file, a look at the file for an unchanged one.
    std::vector<double> changed, unchanged;
    for (int i = 0; i < runs; ++i) {
        platform::ImageBox holder;
        double start = CpuMs();
        holder.LoadPicture(still);
        changed.push_back(CpuMs() - start);
        start = CpuMs();
        holder.LoadPicture(still);
        unchanged.push_back(CpuMs() - start);
    }
    std::printf("picture holder, 400 x 300 GIF: first load (decoded) %.3f ms, the same unchanged "
                "file again %.4f ms\n",
                Median(changed), Median(unchanged));

    // A decompression bomb, 4000 × 4000 in 40 full frames, is refused by a walk through its
    // blocks before anything is decoded (its frames' data is left out here: the walk reads the
    // blocks the same way).
    QByteArray bomb = QByteArray("GIF89a\xa0\x0f\xa0\x0f\x80\0\0", 13) + QByteArray(6, '\0');
    for (int f = 0; f < 40; ++f)
        bomb += QByteArray(",\0\0\0\0\xa0\x0f\xa0\x0f\0\2\0", 13);
    QFile file(dir.filePath("bomb.gif"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bomb + ';') != bomb.size() + 1)
        return 1;
    file.close();
    std::vector<double> refusals;
    for (int i = 0; i < runs; ++i) {
        platform::ImageBox holder;
        const double start = CpuMs();
        try {
            holder.LoadPicture(file.fileName());
        } catch (const std::exception&) {
        }
        refusals.push_back(CpuMs() - start);
    }
    std::printf("a 4000 x 4000 GIF of 40 frames: refused in %.3f ms\n", Median(refusals));

    // The same file in two places of the browser: one picture, decoded once.
    const auto first = Picture::Open(still), second = Picture::Open(still);
    std::printf("a picture opened twice: %s\n", first == second ? "one object" : "two objects");

    // After the first play: frames kept decoded, at one byte a pixel, or not at all (then
    // decoded only when someone looks at them; nobody does here, as while the overlay's
    // frames come back from the X server).
    struct Case {
        int w, h, frames, colours;
    };
    for (const Case c :
         {Case{128, 128, 24, 16}, Case{400, 300, 20, 200}, Case{1024, 768, 12, 200}}) {
        const auto picture = Picture::Open(WriteAnimation(dir, c.w, c.h, c.frames, c.colours));
        double start = CpuMs();
        int shown = 0;
        QObject::connect(picture.get(), &Picture::FrameChanged, [&] { ++shown; });
        const auto aLoop = [&] {
            return QTest::qWaitFor([&] { return shown >= c.frames; }, 20000);
        };
        if (!aLoop())
            return 1;
        const double firstLoop = (CpuMs() - start) / std::max(1, shown);
        shown = 0;
        start = CpuMs();
        if (!aLoop())
            return 1;
        std::printf("%d x %d, %d frames: first loop %.3f ms a frame, later %.3f ms a frame, %s\n",
                    c.w, c.h, c.frames, firstLoop, (CpuMs() - start) / std::max(1, shown),
                    picture->PlaysFromMemory() ? "kept" : "not kept");
    }
    return 0;
}
