#include "ServerReplay.h"

#include "Connection.h"
#include "platform/CompactFrame.h"
#include "platform/Logging.h"

#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <vector>
#include <xcb/shape.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace platform::x11 {

namespace {

// Whether pixels of RGB32 images can go to drawables of `depth` as they are: 32 bits a
// pixel, least significant byte first, red, green and blue in the usual bytes.
bool TakesRgb32(xcb_connection_t* c, xcb_window_t window, std::uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || (depth != 24 && depth != 32))
        return false;
    bool thirtyTwoBits = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        thirtyTwoBits |= f.data->depth == depth && f.data->bits_per_pixel == 32;
    const auto attributes =
        Own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!thirtyTwoBits || !attributes)
        return false;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == attributes->visual)
                    return v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 &&
                           v.data->blue_mask == 0xff;
    return false;
}

} // namespace

std::unique_ptr<ServerReplay> ServerReplay::For(QWidget* window) {
    xcb_connection_t* c = Connection();
    if (!c || !xcb_get_extension_data(c, &xcb_xfixes_id)->present) {
        qCInfo(lcX11) << "no replay from the server: no XFixes";
        return nullptr;
    }
    // Regions and window shapes from regions came with version 2.
    const auto version = Own(xcb_xfixes_query_version_reply(
        c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    const auto id = static_cast<xcb_window_t>(window->windowHandle()->winId());
    const auto geometry = Own(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr));
    if (!version || version->major_version < 2 || !geometry ||
        !TakesRgb32(c, id, geometry->depth)) {
        qCInfo(lcX11) << "no replay from the server: no XFixes regions, or the window's pixels"
                      << "are not the toolkit's images' (depth" << (geometry ? geometry->depth : 0)
                      << ")";
        return nullptr;
    }
    return std::unique_ptr<ServerReplay>(new ServerReplay(c, window, geometry->depth));
}

ServerReplay::ServerReplay(xcb_connection_t* connection, QWidget* window, std::uint8_t depth)
    : connection_(connection)
    , window_(window)
    , depth_(depth) {}

ServerReplay::~ServerReplay() {
    ForgetAll();
    if (gc_)
        xcb_free_gc(connection_, gc_);
    if (segment_)
        xcb_shm_detach(connection_, segment_);
    xcb_flush(connection_);
    if (shared_)
        shmdt(shared_);
}

std::uint32_t ServerReplay::NativeWindow() const {
    return window_->windowHandle() ? static_cast<std::uint32_t>(window_->windowHandle()->winId())
                                   : 0;
}

std::uint32_t ServerReplay::CreatePixmap(std::uint32_t window) {
    const xcb_pixmap_t pixmap = xcb_generate_id(connection_);
    xcb_create_pixmap(connection_, depth_, pixmap, window,
                      static_cast<std::uint16_t>(keptSize_.width()),
                      static_cast<std::uint16_t>(keptSize_.height()));
    if (!gc_) {
        gc_ = xcb_generate_id(connection_);
        // No exposure events for copies: the window's own repaints come from its background.
        const std::uint32_t noExposures = 0;
        xcb_create_gc(connection_, gc_, pixmap, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    return pixmap;
}

void ServerReplay::SendPixels(std::uint32_t pixmap, const uchar* pixels, qsizetype stride) {
    const auto width = static_cast<std::uint16_t>(keptSize_.width());
    const auto height = static_cast<std::uint16_t>(keptSize_.height());
    if (pixels == shared_) {
        xcb_shm_put_image(connection_, pixmap, gc_, width, height, 0, 0, width, height, 0, 0,
                          depth_, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment_, 0);
        return;
    }
    // In bands of rows that each fit one request.
    const qsizetype requestBytes = qsizetype(xcb_get_maximum_request_length(connection_)) * 4;
    const int rows = int(qMax<qsizetype>(1, (requestBytes - 64) / stride));
    for (int y = 0; y < height; y += rows) {
        const int band = qMin(rows, height - y);
        xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc_, width,
                      static_cast<std::uint16_t>(band), 0, static_cast<std::int16_t>(y), 0, depth_,
                      static_cast<std::uint32_t>(band * stride), pixels + y * stride);
    }
}

std::uint32_t ServerReplay::Stage(const QImage& compact) {
    const qsizetype stride = qsizetype(keptSize_.width()) * 4;
    const size_t bytes = size_t(stride) * size_t(keptSize_.height());
    if (!sharedTried_) {
        sharedTried_ = true;
        // The segment is marked for removal at once: it goes when both sides let it go.
        const int id = xcb_get_extension_data(connection_, &xcb_shm_id)->present
                           ? shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600)
                           : -1;
        void* memory = id >= 0 ? shmat(id, nullptr, 0) : reinterpret_cast<void*>(-1);
        if (memory != reinterpret_cast<void*>(-1)) {
            const xcb_shm_seg_t segment = xcb_generate_id(connection_);
            xcb_generic_error_t* error = xcb_request_check(
                connection_, xcb_shm_attach_checked(connection_, segment, std::uint32_t(id), 0));
            if (error)
                shmdt(memory);
            else
                shared_ = static_cast<uchar*>(memory), segment_ = segment;
            std::free(error);
        }
        if (id >= 0)
            shmctl(id, IPC_RMID, nullptr);
    }
    uchar* pixels = shared_;
    if (!pixels) {
        unshared_.resize(qsizetype(bytes));
        pixels = reinterpret_cast<uchar*>(unshared_.data());
    }
    ExpandFrame(compact, pixels, stride);
    SendPixels(stage_, pixels, stride);
    return stage_;
}

void ServerReplay::Keep(size_t stamp, const QImage& content, const QRegion& shown) {
    if (content.format() != QImage::Format_RGB32 || kept_.contains(stamp))
        return;
    if (budget_.Resized(content.size()))
        ForgetAll();
    keptSize_ = content.size();
    const xcb_window_t window = NativeWindow();
    if (!window)
        return;
    Kept kept{0, 0, {}};
    switch (budget_.Keep(content, kept.compact)) {
    case FrameBudget::Form::AsIs:
        kept.pixmap = CreatePixmap(window);
        SendPixels(kept.pixmap, content.constBits(), content.bytesPerLine());
        break;
    case FrameBudget::Form::Compact:
        if (!stage_)
            stage_ = CreatePixmap(window);
        break;
    case FrameBudget::Form::Nowhere:
        return;
    }
    const std::vector<xcb_rectangle_t> rectangles = Rectangles(shown);
    kept.region = xcb_generate_id(connection_);
    xcb_xfixes_create_region(connection_, kept.region,
                             static_cast<std::uint32_t>(rectangles.size()), rectangles.data());
    kept_.insert(stamp, kept);
}

bool ServerReplay::Present(size_t stamp, Shape shape) {
    const auto found = kept_.constFind(stamp);
    const xcb_window_t window = NativeWindow();
    if (found == kept_.constEnd() || !window)
        return false;
    if (!presenting_) {
        // The server repaints the window from its background from now on: the toolkit need
        // not hear of exposures, the many that each change of shape causes included.
        const auto attributes = Own(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr));
        toolkitEvents_ =
            attributes ? attributes->your_event_mask : std::uint32_t(XCB_EVENT_MASK_EXPOSURE);
    }
    // Without a background the server paints nothing of its own where the new shape
    // uncovers the window; the copy then covers the whole window. Other clients wait
    // meanwhile, so that nothing ever sees the new shape with the old pixels.
    xcb_grab_server(connection_);
    const xcb_pixmap_t pixmap = found->pixmap ? found->pixmap : Stage(found->compact);
    const std::uint32_t noBackground[] = {XCB_BACK_PIXMAP_NONE,
                                          toolkitEvents_ & ~std::uint32_t(XCB_EVENT_MASK_EXPOSURE)};
    xcb_change_window_attributes(connection_, window, XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK,
                                 noBackground);
    if (shape != Shape::Unchanged)
        xcb_xfixes_set_window_shape_region(
            connection_, window, shape == Shape::Input ? XCB_SHAPE_SK_INPUT : XCB_SHAPE_SK_BOUNDING,
            0, 0, found->region);
    xcb_copy_area(connection_, pixmap, window, gc_, 0, 0, 0, 0,
                  static_cast<std::uint16_t>(keptSize_.width()),
                  static_cast<std::uint16_t>(keptSize_.height()));
    xcb_change_window_attributes(connection_, window, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_ungrab_server(connection_);
    xcb_flush(connection_);
    presenting_ = true;
    return true;
}

bool ServerReplay::SetInputShape(size_t stamp) {
    const auto found = kept_.constFind(stamp);
    const xcb_window_t window = NativeWindow();
    if (found == kept_.constEnd() || !window)
        return false;
    xcb_xfixes_set_window_shape_region(connection_, window, XCB_SHAPE_SK_INPUT, 0, 0,
                                       found->region);
    xcb_flush(connection_);
    return true;
}

void ServerReplay::ReturnToToolkit() {
    if (!presenting_)
        return;
    presenting_ = false;
    const std::uint32_t toolkit[] = {XCB_BACK_PIXMAP_NONE, toolkitEvents_};
    if (const xcb_window_t window = NativeWindow())
        xcb_change_window_attributes(connection_, window, XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK,
                                     toolkit);
}

void ServerReplay::ForgetAll() {
    for (const Kept& kept : std::as_const(kept_)) {
        if (kept.pixmap)
            xcb_free_pixmap(connection_, kept.pixmap);
        xcb_xfixes_destroy_region(connection_, kept.region);
    }
    if (stage_)
        xcb_free_pixmap(connection_, stage_);
    stage_ = 0;
    kept_.clear();
}

} // namespace platform::x11
