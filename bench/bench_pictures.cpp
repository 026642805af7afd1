// What repeated pictures cost: the picture holder loading the same unchanged file again (the
// one-picture timer does it every 50 ms) against a changed one, a picture shown twice in the
// browser (decoded once), and the frames an animation keeps after its first loop.
// Usage: bench_pictures [RUNS]   (run with QT_QPA_PLATFORM=offscreen)
#include "CpuTime.h"
#include "gifwriter/GifWriter.h"
#include "platform/browser/Picture.h"
#include "platform/toolkit/ImageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using platform::browser::Picture;

namespace {

// A disc moving over stripes, in `colours` colours (at most 256).
QString WriteAnimation(const QTemporaryDir& dir, int w, int h, int frames, int colours) {
    gifwriter::Animation animation{w, h, {}, {}};
    for (int i = 0; i < colours; ++i)
        animation.palette.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)});
    for (int f = 0; f < frames; ++f) {
        gifwriter::Frame& frame = animation.frames.emplace_back();
        frame.delayCs = 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int dx = x - f * w / frames, dy = y - h / 2;
                frame.pixels.push_back(dx * dx + dy * dy < h * h / 9 ? 1 + (x + y) % (colours - 1)
                                                                     : (y / 8) % 2);
            }
    }
    const QString path = dir.filePath(QString("anim-%1x%2x%3.gif").arg(w).arg(h).arg(frames));
    return gifwriter::WriteGif(path.toStdString(), animation).empty() ? path : QString();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 31;
    QTemporaryDir dir;
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

    // After the first loop: frames kept decoded, at one byte a pixel, or not at all (then
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
