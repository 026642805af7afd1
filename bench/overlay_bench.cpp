// Measures the overlay as a user runs it, beside gifview as a lightweight reference, on an X
// server the caller started (DISPLAY): time from process start to the overlay being mapped,
// and, after a warm-up, the CPU share of one core (the program's own and the X server's),
// the resident memory and the bytes of pixmaps the program holds in the X server while a
// picture plays. Beside them runs replay_floor, the overlay's way of presenting frames with
// nothing else in it, and, where OTHER_BINARY names it, another build of lumivast (named
// OTHER_NAME, "other" by default: an earlier build, to compare with). Where a compositing
// manager runs, "alphafloor" (replay_floor --alpha) beside them: the alpha way's requests with
// nothing else. The pointer rests away from the picture (the screen's top-left corner) for
// every program, and for "lum/over" (lumivast again) on the middle of the picture, where the
// figure is. BENCH_FIGURES=simple or intricate measures one set of figures only.
// Where LUMIVAST_LAYER_SHELL is set (a Wayland compositor that offers layer-shell), lumivast
// shows no X window (its map time is not measured), and beside it runs "xwayland", the same
// build made to take its X way (LUMIVAST_KEY_WAY=alpha), and as "floor" layer_floor, the layer
// surface's way with nothing else in it, at the output's whole scale (LUMIVAST_OUTPUT_SCALE). The
// programs take turns run by run. Two
// sets of figures: simple outlines (a disc crossing the picture) and intricate ones (a rotating
// star in a ring with orbiting dots: many runs a row, all changing every frame). Usage:
// overlay_bench LUMIVAST_BINARY XSERVER_PID [RUNS] [SECONDS] [COMPOSITOR_PID[,PID...]]
//        overlay_bench --write FOLDER   (only writes the figures, for profiling by hand)
#include "gifwriter/GifWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPoint>
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
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

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

// A star of seven points turning around the centre, in a ring whose width breathes, with
// eight dots orbiting the other way, on pure black.
bool WriteIntricate(const QString& path, const Size& s) {
    gifwriter::Animation animation;
    animation.width = s.width;
    animation.height = s.height;
    animation.palette = {{0, 0, 0}, {250, 200, 40}, {40, 120, 250}, {230, 60, 40}};
    const double radius = std::min(s.width, s.height) / 2.0 - 1;
    for (int f = 0; f < s.frames; ++f) {
        gifwriter::Frame frame;
        frame.delayCs = s.delayMs / 10;
        frame.pixels.assign(static_cast<std::size_t>(s.width) * s.height, 0);
        const double turn = 2 * M_PI * f / s.frames;
        const double ring = radius * (0.06 + 0.03 * std::sin(turn * 3));
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                const double dx = x - s.width / 2.0, dy = y - s.height / 2.0;
                const double r = std::hypot(dx, dy), angle = std::atan2(dy, dx);
                std::uint8_t colour = 0;
                if (r < radius * 0.55 * (0.55 + 0.45 * std::cos(7 * (angle - turn / 7))))
                    colour = 1;
                else if (std::abs(r - radius * 0.75) < ring)
                    colour = 2;
                for (int d = 0; d < 8; ++d) {
                    const double a = -turn + d * M_PI / 4;
                    if (std::hypot(dx - radius * 0.9 * std::cos(a),
                                   dy - radius * 0.9 * std::sin(a)) < radius * 0.07)
                        colour = 3;
                }
                frame.pixels[y * s.width + x] = colour;
            }
        animation.frames.push_back(std::move(frame));
    }
    return gifwriter::WriteGif(path.toStdString(), animation).empty();
}

// MiB of the pixmaps held by the X client that made `window` (X-Resource knows a client by
// any resource it made), -1 if unknown.
double PixmapMiB(xcb_connection_t* c, xcb_window_t window) {
    xcb_res_query_client_pixmap_bytes_reply_t* bytes = xcb_res_query_client_pixmap_bytes_reply(
        c, xcb_res_query_client_pixmap_bytes(c, window), nullptr);
    const double mib =
        bytes ? (double(bytes->bytes) + double(bytes->bytes_overflow) * 4294967296.0) / 1048576.0
              : -1;
    std::free(bytes);
    return mib;
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

// A top-level window that was not there before and has been mapped, or 0 (gifview names no
// process on its window, so windows are told apart by being new).
xcb_window_t Mapped(xcb_connection_t* c, xcb_window_t root, const QList<xcb_window_t>& before) {
    for (xcb_window_t w : TopLevels(c, root))
        if (!before.contains(w) && Viewable(c, w))
            return w;
    return 0;
}

struct Run {
    double mapMs = -1, programCpu = 0, serverCpu = 0, rss = 0, pixmaps = 0;
};

// The X server's share counts the compositors' too, where they run (a compositing manager, or
// a Wayland compositor beside its XWayland).
Run Measure(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
            bool xWindow, const QString& folder, qint64 server, const QList<qint64>& compositors,
            double seconds, xcb_connection_t* c, xcb_window_t root) {
    Run run;
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    const QList<xcb_window_t> before = TopLevels(c, root);
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(5000))
        return run;
    xcb_window_t shown = 0;
    while (xWindow && clock.elapsed() < 10000) {
        if ((shown = Mapped(c, root, before))) {
            run.mapMs = clock.nsecsElapsed() / 1e6;
            break;
        }
        QThread::usleep(500);
    }
    QThread::sleep(3); // warm-up
    const auto serverSide = [&] {
        double total = CpuSeconds(server);
        for (const qint64 compositor : compositors)
            total += CpuSeconds(compositor);
        return total;
    };
    const double p0 = CpuSeconds(process.processId()), s0 = serverSide();
    QElapsedTimer window;
    window.start();
    QThread::usleep(static_cast<unsigned long>(seconds * 1e6));
    const double elapsed = window.nsecsElapsed() / 1e9;
    run.programCpu = 100.0 * (CpuSeconds(process.processId()) - p0) / elapsed;
    run.serverCpu = 100.0 * (serverSide() - s0) / elapsed;
    run.rss = ResidentMiB(process.processId());
    run.pixmaps = PixmapMiB(c, shown);
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
    struct FigureSet {
        const char* name;
        bool (*write)(const QString&, const Size&);
    };
    const FigureSet sets[] = {{"simple", WriteFigure}, {"intricate", WriteIntricate}};
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        const QDir folder(QString::fromLocal8Bit(argv[2]));
        for (const FigureSet& set : sets)
            for (const Size& s : sizes)
                if (!set.write(folder.filePath(QStringLiteral("%1-%2x%3.gif")
                                                   .arg(QLatin1String(set.name))
                                                   .arg(s.width)
                                                   .arg(s.height)),
                               s))
                    return 1;
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s LUMIVAST_BINARY XSERVER_PID [RUNS] [SECONDS] [COMPOSITOR_PID]\n",
                     argv[0]);
        return 2;
    }
    const QString lumivast = QString::fromLocal8Bit(argv[1]);
    const qint64 server = QString::fromLocal8Bit(argv[2]).toLongLong();
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const double seconds = argc > 4 ? std::atof(argv[4]) : 20.0;
    QList<qint64> compositors;
    for (const QString& pid :
         QString::fromLocal8Bit(argc > 5 ? argv[5] : "").split(',', Qt::SkipEmptyParts))
        compositors.append(pid.toLongLong());
    const QString other = qEnvironmentVariable("OTHER_BINARY");
    const QByteArray otherName = qEnvironmentVariableIsEmpty("OTHER_NAME")
                                     ? QByteArray("other")
                                     : qgetenv("OTHER_NAME").left(9);
    const QByteArray figures = qgetenv("BENCH_FIGURES");
    const bool layerShell = qEnvironmentVariableIsSet("LUMIVAST_LAYER_SHELL");
    const QString floor =
        QCoreApplication::applicationDirPath() +
        (layerShell ? QStringLiteral("/layer_floor") : QStringLiteral("/replay_floor"));
    const QStringList floorScale =
        layerShell ? QStringList{"--scale", qEnvironmentVariable("LUMIVAST_OUTPUT_SCALE", "1")}
                   : QStringList();
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X server\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    std::printf("%-9s %-10s %-10s %8s %10s %10s %8s %8s %9s %7s %8s\n", "figures", "picture",
                "program", "map ms", "program %", "server %", "total %", "RSS MiB", "pixmaps",
                "ratio", "vs floor");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QPoint over(screen->width_in_pixels / 2, screen->height_in_pixels / 2);
    for (const FigureSet& set : sets)
        for (const Size& s : sizes) {
            if (!figures.isEmpty() && figures != set.name)
                continue;
            QTemporaryDir dir;
            const QString gif = dir.filePath(QStringLiteral("figure.gif"));
            if (!set.write(gif, s))
                return 1;
            struct Contender {
                const char* name;
                QString program;
                QStringList arguments;
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                bool xWindow = true;
                // Away from the picture unless said otherwise.
                QPoint pointer{2, 2};
                std::vector<double> map{}, cpu{}, xcpu{}, total{}, rss{}, pixmaps{};
            };
            std::vector<Contender> contenders = {
                {"lumivast", lumivast, {}},
                {"gifview", QStringLiteral("gifview"), {"-a", gif}},
                {"floor", floor, floorScale + QStringList{gif}}};
            // Where the compositor routes the pointer itself, the X server cannot move it.
            if (!layerShell) {
                contenders.push_back({"lum/over", lumivast, {}});
                contenders.back().pointer = over;
            }
            if (!other.isEmpty())
                contenders.push_back({otherName.constData(), other, {}});
            if (!compositors.isEmpty() && !layerShell)
                contenders.push_back({"alphafloor", floor, {"--alpha", gif}});
            if (layerShell) {
                contenders[0].xWindow = false;
                contenders.push_back({"xwayland", lumivast, {}});
                contenders.back().environment.insert(QStringLiteral("LUMIVAST_KEY_WAY"),
                                                     QStringLiteral("alpha"));
            }
            // Run by run in turn, so that a slower moment of the machine falls on both.
            for (int i = 0; i < runs; ++i)
                for (Contender& contender : contenders) {
                    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root,
                                        std::int16_t(contender.pointer.x()),
                                        std::int16_t(contender.pointer.y()), 0);
                    xcb_flush(c);
                    const Run r = Measure(contender.program, contender.arguments,
                                          contender.environment, contender.xWindow, dir.path(),
                                          server, compositors, seconds, c, root);
                    contender.map.push_back(r.mapMs);
                    contender.cpu.push_back(r.programCpu);
                    contender.xcpu.push_back(r.serverCpu);
                    contender.total.push_back(r.programCpu + r.serverCpu);
                    contender.rss.push_back(r.rss);
                    contender.pixmaps.push_back(r.pixmaps);
                }
            const double reference = Median(contenders[1].total),
                         least = Median(contenders[2].total);
            for (const Contender& contender : contenders) {
                std::printf(
                    "%-9s %4dx%-5d %-10s %8.1f %10.2f %10.2f %8.2f %8.1f %9.1f %7.2f %8.2f\n",
                    set.name, s.width, s.height, contender.name, Median(contender.map),
                    Median(contender.cpu), Median(contender.xcpu), Median(contender.total),
                    Median(contender.rss), Median(contender.pixmaps),
                    reference > 0 ? Median(contender.total) / reference : 0.0,
                    least > 0 ? Median(contender.total) / least : 0.0);
                std::fflush(stdout);
            }
        }
    xcb_disconnect(c);
    return 0;
}
