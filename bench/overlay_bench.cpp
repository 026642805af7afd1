// Measures the overlay as a user runs it, beside gifview as a lightweight reference and
// toolkit_floor as the least a Qt program spends on the same picture, on an
// X server the caller started (DISPLAY): time from process start to the overlay being mapped,
// and, after a warm-up, the CPU share of one core (the program's own and the X server's) and
// the resident memory while a picture plays.
// Usage: overlay_bench LUMIVAST_BINARY XSERVER_PID [RUNS] [SECONDS]
//        overlay_bench --write FOLDER   (only writes the three figures, for profiling by hand)
#include "gifwriter/GifWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

struct Size {
    int width, height, frames, delayMs;
};

// A figure on pure black: a disc that crosses the picture, with a striped band.
bool WriteFigure(const QString& path, const Size& s) {
    gifwriter::Animation animation;
    animation.width = s.width;
    animation.height = s.height;
    animation.palette = {{0, 0, 0}, {250, 200, 40}, {40, 120, 250}, {230, 60, 40}};
    const int radius = std::min(s.width, s.height) / 4;
    for (int f = 0; f < s.frames; ++f) {
        gifwriter::Frame frame;
        frame.delayCs = s.delayMs / 10;
        frame.pixels.assign(static_cast<std::size_t>(s.width) * s.height, 0);
        const int cx = radius + (s.width - 2 * radius) * f / s.frames, cy = s.height / 2;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                const int dx = x - cx, dy = y - cy;
                if (dx * dx + dy * dy < radius * radius)
                    frame.pixels[y * s.width + x] = 1 + (x / 6 + f) % 2;
                else if (y > s.height * 7 / 8 && (x + 4 * f) % 16 < 8)
                    frame.pixels[y * s.width + x] = 3;
            }
        animation.frames.push_back(std::move(frame));
    }
    return gifwriter::WriteGif(path.toStdString(), animation).empty();
}

double CpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / sysconf(_SC_CLK_TCK);
}

double ResidentMiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// The top-level windows there are now.
QList<xcb_window_t> TopLevels(xcb_connection_t* c, xcb_window_t root) {
    QList<xcb_window_t> windows;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return windows;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
        windows.append(children[i]);
    std::free(tree);
    return windows;
}

bool Viewable(xcb_connection_t* c, xcb_window_t window) {
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool viewable = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    return viewable;
}

// Whether a top-level window that was not there before has been mapped (gifview names no
// process on its window, so windows are told apart by being new).
bool Mapped(xcb_connection_t* c, xcb_window_t root, const QList<xcb_window_t>& before) {
    for (xcb_window_t w : TopLevels(c, root))
        if (!before.contains(w) && Viewable(c, w))
            return true;
    return false;
}

struct Run {
    double mapMs = -1, programCpu = 0, serverCpu = 0, rss = 0;
};

Run Measure(const QString& program, const QStringList& args, const QString& folder, qint64 server,
            double seconds, xcb_connection_t* c, xcb_window_t root) {
    Run run;
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setWorkingDirectory(folder);
    const QList<xcb_window_t> before = TopLevels(c, root);
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(5000))
        return run;
    while (clock.elapsed() < 10000) {
        if (Mapped(c, root, before)) {
            run.mapMs = clock.nsecsElapsed() / 1e6;
            break;
        }
        QThread::usleep(500);
    }
    QThread::sleep(3); // warm-up
    const double p0 = CpuSeconds(process.processId()), s0 = CpuSeconds(server);
    QElapsedTimer window;
    window.start();
    QThread::usleep(static_cast<unsigned long>(seconds * 1e6));
    const double elapsed = window.nsecsElapsed() / 1e9;
    run.programCpu = 100.0 * (CpuSeconds(process.processId()) - p0) / elapsed;
    run.serverCpu = 100.0 * (CpuSeconds(server) - s0) / elapsed;
    run.rss = ResidentMiB(process.processId());
    process.kill();
    process.waitForFinished(3000);
    QThread::msleep(500);
    return run;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const Size sizes[] = {{128, 128, 24, 50}, {400, 300, 60, 40}, {1024, 768, 30, 30}};
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        const QDir folder(QString::fromLocal8Bit(argv[2]));
        for (const Size& s : sizes)
            if (!WriteFigure(
                    folder.filePath(QStringLiteral("%1x%2.gif").arg(s.width).arg(s.height)), s))
                return 1;
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LUMIVAST_BINARY XSERVER_PID [RUNS] [SECONDS]\n", argv[0]);
        return 2;
    }
    const QString lumivast = QString::fromLocal8Bit(argv[1]);
    // toolkit_floor is built beside lumivast.
    const QString floor =
        QFileInfo(lumivast).absoluteDir().filePath(QStringLiteral("toolkit_floor"));
    const qint64 server = QString::fromLocal8Bit(argv[2]).toLongLong();
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const double seconds = argc > 4 ? std::atof(argv[4]) : 20.0;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X server\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    std::printf("%-10s %-9s %10s %12s %12s %9s\n", "picture", "program", "map ms", "program %",
                "X server %", "RSS MiB");
    for (const Size& s : sizes) {
        QTemporaryDir dir;
        const QString gif = dir.filePath(QStringLiteral("figure.gif"));
        if (!WriteFigure(gif, s))
            return 1;
        // lumivast, the lightweight reference, and the least a Qt program spends on it.
        struct Contender {
            const char* name;
            QString program;
            QStringList arguments;
        };
        const Contender contenders[] = {{"lumivast", lumivast, {}},
                                        {"gifview", QStringLiteral("gifview"), {"-a", gif}},
                                        {"qt-floor", floor, {gif}}};
        for (const Contender& contender : contenders) {
            std::vector<double> map, cpu, xcpu, rss;
            for (int i = 0; i < runs; ++i) {
                const Run r = Measure(contender.program, contender.arguments, dir.path(), server,
                                      seconds, c, root);
                map.push_back(r.mapMs);
                cpu.push_back(r.programCpu);
                xcpu.push_back(r.serverCpu);
                rss.push_back(r.rss);
            }
            std::printf("%4dx%-5d %-9s %10.1f %12.2f %12.2f %9.1f\n", s.width, s.height,
                        contender.name, Median(map), Median(cpu), Median(xcpu), Median(rss));
            std::fflush(stdout);
        }
    }
    xcb_disconnect(c);
    return 0;
}
