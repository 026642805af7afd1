// The least an X client spends showing an animation the way the overlay shows its frames from
// the server, with nothing else in it: every frame is in the server before the window maps
// (a pixmap, and its figure as an XFixes region: every pixel that is not pure black), and each
// frame takes the same four requests under a server grab (background None, the shape, the
// copy, the pixmap as background). overlay_bench runs it beside lumivast, so that what the X
// server spends on the shapes themselves can be told from what the program adds. With
// --differential the shape is not set anew each frame but changed only where it differs
// (the figure's rows that went subtracted, those that came added: two SHAPE requests). With
// --alpha it does what the overlay does where a compositing manager runs: a 32-bit window
// whose key pixels have alpha 0, its outline the rectangle, the figure set as its input shape.
// The window is override-redirect, as the overlay is, so that no window manager frames it.
// Usage: replay_floor [--differential|--alpha] GIF
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QRegion>
#include <QThread>
#include <cstdio>
#include <cstring>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace {

struct Frame {
    xcb_pixmap_t pixmap;
    xcb_xfixes_region_t region;
    int delayMs;
    QRegion figure;
    // Against the frame before it: the figure's rectangles that go and those that come.
    std::vector<xcb_rectangle_t> gone, come;
};

std::vector<xcb_rectangle_t> Rectangles(const QRegion& region) {
    std::vector<xcb_rectangle_t> rectangles;
    for (const QRect& r : region)
        rectangles.push_back({std::int16_t(r.x()), std::int16_t(r.y()), std::uint16_t(r.width()),
                              std::uint16_t(r.height())});
    return rectangles;
}

void ChangeShape(xcb_connection_t* c, xcb_window_t window, xcb_shape_op_t op,
                 const std::vector<xcb_rectangle_t>& rectangles) {
    if (!rectangles.empty())
        xcb_shape_rectangles(c, op, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_YX_BANDED, window, 0,
                             0, std::uint32_t(rectangles.size()), rectangles.data());
}

bool IsKey(QRgb pixel) {
    return (pixel & 0xffffff) == 0;
}

std::vector<xcb_rectangle_t> FigureRuns(const QImage& image) {
    std::vector<xcb_rectangle_t> runs;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width();) {
            if (IsKey(row[x])) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.width() && !IsKey(row[x]))
                ++x;
            runs.push_back({std::int16_t(start), std::int16_t(y), std::uint16_t(x - start), 1});
        }
    }
    return runs;
}

} // namespace

int main(int argc, char* argv[]) {
    // Only for the image plugins; the window is the program's own through xcb.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool differential = argc == 3 && std::strcmp(argv[1], "--differential") == 0;
    const bool alpha = argc == 3 && std::strcmp(argv[1], "--alpha") == 0;
    if (argc != 2 && !differential && !alpha) {
        std::fprintf(stderr, "usage: %s [--differential|--alpha] GIF\n", argv[0]);
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[argc - 1]));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) || !xcb_get_extension_data(c, &xcb_xfixes_id)->present)
        return 1;
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 2, 0), nullptr));
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QSize size = reader.size();
    std::uint8_t depth = screen->root_depth;
    xcb_visualid_t visual = screen->root_visual;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); alpha && d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); d.data->depth == 32 && v.rem;
             xcb_visualtype_next(&v))
            if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR)
                depth = 32, visual = v.data->visual_id;
    if (alpha && depth != 32)
        return 1;
    const xcb_colormap_t colormap = xcb_generate_id(c);
    xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, colormap, screen->root, visual);
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t attributes[] = {0, 0, 1, colormap};
    xcb_create_window(c, depth, window, screen->root, 100, 100, std::uint16_t(size.width()),
                      std::uint16_t(size.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT |
                          XCB_CW_COLORMAP,
                      attributes);
    const xcb_shape_kind_t shapeKind = alpha ? XCB_SHAPE_SK_INPUT : XCB_SHAPE_SK_BOUNDING;
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);

    std::vector<Frame> frames;
    QImage image;
    while (reader.read(&image)) {
        image = image.convertToFormat(QImage::Format_RGB32);
        // The key transparent: all of its bits 0.
        for (int y = 0; alpha && y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = IsKey(row[x]) ? 0 : row[x] | 0xff000000u;
        }
        Frame frame{
            xcb_generate_id(c), xcb_generate_id(c), qMax(20, reader.nextImageDelay()), {}, {}, {}};
        xcb_create_pixmap(c, depth, frame.pixmap, window, std::uint16_t(size.width()),
                          std::uint16_t(size.height()));
        const int rows = qMax(1, int((xcb_get_maximum_request_length(c) * 4 - 64) /
                                     std::uint32_t(image.bytesPerLine())));
        for (int y = 0; y < image.height(); y += rows) {
            const int band = qMin(rows, image.height() - y);
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, frame.pixmap, gc,
                          std::uint16_t(size.width()), std::uint16_t(band), 0, std::int16_t(y), 0,
                          depth, std::uint32_t(band * image.bytesPerLine()),
                          image.constScanLine(y));
        }
        const std::vector<xcb_rectangle_t> runs = FigureRuns(image);
        xcb_xfixes_create_region(c, frame.region, std::uint32_t(runs.size()), runs.data());
        // Only the differential way needs the figure in the program; building it is slow.
        if (differential)
            for (const xcb_rectangle_t& run : runs)
                frame.figure += QRect(run.x, run.y, run.width, run.height);
        frames.push_back(std::move(frame));
    }
    if (frames.empty())
        return 1;
    for (std::size_t i = 0; differential && i < frames.size(); ++i) {
        const QRegion& before = frames[(i + frames.size() - 1) % frames.size()].figure;
        frames[i].gone = Rectangles(before - frames[i].figure);
        frames[i].come = Rectangles(frames[i].figure - before);
    }
    xcb_xfixes_set_window_shape_region(c, window, shapeKind, 0, 0, frames.back().region);
    xcb_map_window(c, window);
    xcb_flush(c);
    for (std::size_t i = 0;; i = (i + 1) % frames.size()) {
        const Frame& frame = frames[i];
        xcb_grab_server(c);
        const std::uint32_t none = XCB_BACK_PIXMAP_NONE;
        xcb_change_window_attributes(c, window, XCB_CW_BACK_PIXMAP, &none);
        if (differential) {
            ChangeShape(c, window, XCB_SHAPE_SO_SUBTRACT, frame.gone);
            ChangeShape(c, window, XCB_SHAPE_SO_UNION, frame.come);
        } else {
            xcb_xfixes_set_window_shape_region(c, window, shapeKind, 0, 0, frame.region);
        }
        xcb_copy_area(c, frame.pixmap, window, gc, 0, 0, 0, 0, std::uint16_t(size.width()),
                      std::uint16_t(size.height()));
        xcb_change_window_attributes(c, window, XCB_CW_BACK_PIXMAP, &frame.pixmap);
        xcb_ungrab_server(c);
        xcb_flush(c);
        QThread::msleep(static_cast<unsigned long>(frame.delayMs));
        if (xcb_connection_has_error(c))
            return 0;
    }
}
