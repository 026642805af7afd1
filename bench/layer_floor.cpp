// The least a Wayland client spends showing an animation the way the overlay shows its frames
// on a layer surface of its own, with nothing else in it: every frame is in shared memory
// before the surface shows (a buffer at the output's whole scale, each pixel a block, and its
// figure as an input region: every pixel that is not pure black), and each frame attaches
// its buffer and region again when the compositor is ready for one (a frame callback) and its
// delay has passed. overlay_bench runs it beside lumivast on a compositor with layer-shell.
// Usage: layer_floor [--scale N] GIF
#include "platform/wayland/BufferPool.h"
#include "platform/wayland/Connection.h"
#include "platform/wayland/LayerShellProtocol.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>
#include <wayland-client.h>

namespace {

struct Frame {
    platform::wayland::Buffer buffer;
    wl_region* region;
    int delayMs;
};

// The next frame goes when the compositor has configured the surface and drawn the frame
// before (`ready`), and that one's delay has passed (`due`).
struct Surface {
    wl_surface* surface = nullptr;
    bool configured = false;
    bool ready = true;
    bool due = true;
    std::function<void()> commit;
};

} // namespace

int main(int argc, char* argv[]) {
    // Only for the image plugins; the surface is the program's own through libwayland.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int scale = 1;
    if (argc == 4 && std::strcmp(argv[1], "--scale") == 0)
        scale = std::max(1, std::atoi(argv[2]));
    else if (argc != 2) {
        std::fprintf(stderr, "usage: %s [--scale N] GIF\n", argv[0]);
        return 2;
    }
    QString why;
    const auto connection = platform::wayland::Connection::Open(why);
    if (!connection) {
        std::fprintf(stderr, "layer_floor: %s\n", qPrintable(why));
        return 1;
    }
    platform::wayland::BufferPool pool(*connection);
    QImageReader reader(QString::fromLocal8Bit(argv[argc - 1]));
    std::vector<Frame> frames;
    QImage image;
    while (reader.read(&image)) {
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QRegion figure;
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width();) {
                if ((row[x] & 0xffffff) == 0) {
                    row[x++] = 0;
                    continue;
                }
                const int start = x;
                while (x < image.width() && (row[x] & 0xffffff) != 0)
                    ++x;
                figure += QRect(start, y, x - start, 1);
            }
        }
        Frame frame{pool.Make(image.size() * scale), connection->MakeRegion(figure),
                    qMax(20, reader.nextImageDelay())};
        if (!frame.buffer.buffer)
            return 1;
        platform::wayland::DrawInto(frame.buffer, image.size() * scale, image, scale);
        frames.push_back(frame);
    }
    if (frames.empty())
        return 1;
    // (The reader no longer knows it once it has read every frame.)
    const QSize size = frames.front().buffer.size / scale;

    Surface s;
    s.surface = wl_compositor_create_surface(connection->Compositor());
    zwlr_layer_surface_v1* layer =
        zwlr_layer_shell_v1_get_layer_surface(connection->LayerShell(), s.surface, nullptr,
                                              ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "layer_floor");
    static constexpr zwlr_layer_surface_v1_listener listener{
        [](void* data, zwlr_layer_surface_v1* l, std::uint32_t serial, std::uint32_t,
           std::uint32_t) {
            zwlr_layer_surface_v1_ack_configure(l, serial);
            static_cast<Surface*>(data)->configured = true;
            static_cast<Surface*>(data)->commit();
        },
        [](void*, zwlr_layer_surface_v1*) { QCoreApplication::exit(0); }};
    zwlr_layer_surface_v1_add_listener(layer, &listener, &s);
    zwlr_layer_surface_v1_set_size(layer, std::uint32_t(size.width()),
                                   std::uint32_t(size.height()));
    zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
    wl_surface_commit(s.surface);
    connection->Send();

    std::size_t next = 0;
    QTimer delay;
    delay.setSingleShot(true);
    s.commit = [&] {
        if (!s.configured || !s.ready || !s.due)
            return;
        const Frame& frame = frames[next];
        wl_surface_set_buffer_scale(s.surface, scale);
        wl_surface_attach(s.surface, frame.buffer.buffer, 0, 0);
        wl_surface_damage(s.surface, 0, 0, size.width(), size.height());
        wl_surface_set_input_region(s.surface, frame.region);
        static constexpr wl_callback_listener done{
            [](void* data, wl_callback* callback, std::uint32_t) {
                wl_callback_destroy(callback);
                static_cast<Surface*>(data)->ready = true;
                static_cast<Surface*>(data)->commit();
            }};
        wl_callback_add_listener(wl_surface_frame(s.surface), &done, &s);
        s.ready = s.due = false;
        wl_surface_commit(s.surface);
        connection->Send();
        delay.start(frame.delayMs);
        next = (next + 1) % frames.size();
    };
    QObject::connect(&delay, &QTimer::timeout, [&] {
        s.due = true;
        s.commit();
    });
    return app.exec();
}
