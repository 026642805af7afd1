#include "LayerShellWay.h"

#include "layer-shell-client.h"
#include "platform/CompactFrame.h"
#include "platform/ServerReplay.h"
#include "platform/toolkit/Pointer.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace platform {

namespace {

constexpr int Stride(int width) {
    return width * 4;
}

} // namespace

// The compositor's events, each handed to the way its listener was added with.
struct LayerShellWay::Listeners {
    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* way = static_cast<LayerShellWay*>(data);
        const auto bind = [&](const wl_interface* wanted, std::uint32_t most) {
            return wl_registry_bind(registry, name, wanted, std::min(version, most));
        };
        if (!std::strcmp(interface, wl_compositor_interface.name) && !way->compositor_)
            way->compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 1));
        else if (!std::strcmp(interface, wl_shm_interface.name) && !way->shm_)
            way->shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
        else if (!std::strcmp(interface, wl_seat_interface.name) && !way->seat_) {
            way->seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
            wl_seat_add_listener(way->seat_, &seat, way);
        } else if (!std::strcmp(interface, zwlr_layer_shell_v1_interface.name) && !way->layerShell_)
            way->layerShell_ =
                static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 1));
    }
    static void GlobalGone(void*, wl_registry*, std::uint32_t) {}
    static constexpr wl_registry_listener registry{Global, GlobalGone};

    static void Capabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
        auto* way = static_cast<LayerShellWay*>(data);
        const bool has = capabilities & WL_SEAT_CAPABILITY_POINTER;
        // A pointer that goes (the last mouse unplugged) sends nothing more, even when a
        // pointer comes again: that one is a new object.
        if (!has && way->pointer_) {
            wl_pointer_destroy(way->pointer_);
            way->pointer_ = nullptr;
            way->pointerIn_ = false;
        }
        if (has && !way->pointer_) {
            way->pointer_ = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(way->pointer_, &pointer, way);
        }
    }
    static void SeatName(void*, wl_seat*, const char*) {}
    static constexpr wl_seat_listener seat{Capabilities, SeatName};

    static void Enter(void* data, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t x,
                      wl_fixed_t y) {
        auto* way = static_cast<LayerShellWay*>(data);
        way->pointerIn_ = surface && surface == way->surface_;
        way->pointerAt_ = QPointF(wl_fixed_to_double(x), wl_fixed_to_double(y));
    }
    static void Leave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
        static_cast<LayerShellWay*>(data)->pointerIn_ = false;
    }
    static void Motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        auto* way = static_cast<LayerShellWay*>(data);
        way->pointerAt_ = QPointF(wl_fixed_to_double(x), wl_fixed_to_double(y));
    }
    static void Button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                       std::uint32_t state) {
        auto* way = static_cast<LayerShellWay*>(data);
        const Qt::MouseButton which = button == BTN_LEFT     ? Qt::LeftButton
                                      : button == BTN_RIGHT  ? Qt::RightButton
                                      : button == BTN_MIDDLE ? Qt::MiddleButton
                                                             : Qt::NoButton;
        if (!way->pointerIn_ || which == Qt::NoButton)
            return;
        const QEvent::Type type = state == WL_POINTER_BUTTON_STATE_PRESSED
                                      ? QEvent::MouseButtonPress
                                      : QEvent::MouseButtonRelease;
        // Handed over once this dispatch is done: the click may open a menu with an event
        // loop of its own, which reads the compositor's events again.
        QMetaObject::invokeMethod(
            way,
            [way, type, at = way->pointerAt_.toPoint(), which] { way->Deliver(type, at, which); },
            Qt::QueuedConnection);
    }
    static void Axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
    // A seat of version 1 sends no later events.
    static constexpr wl_pointer_listener pointer{.enter = Enter,
                                                 .leave = Leave,
                                                 .motion = Motion,
                                                 .button = Button,
                                                 .axis = Axis,
                                                 .frame = nullptr,
                                                 .axis_source = nullptr,
                                                 .axis_stop = nullptr,
                                                 .axis_discrete = nullptr,
                                                 .axis_value120 = nullptr};

    static void Configure(void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial,
                          std::uint32_t, std::uint32_t) {
        auto* way = static_cast<LayerShellWay*>(data);
        zwlr_layer_surface_v1_ack_configure(surface, serial);
        way->configured_ = true;
        way->Commit();
    }
    static void Closed(void* data, zwlr_layer_surface_v1*) {
        // The compositor took the surface away (its output went): a new one comes with the
        // next content.
        static_cast<LayerShellWay*>(data)->DestroySurface();
    }
    static constexpr zwlr_layer_surface_v1_listener layerSurface{Configure, Closed};

    static void FrameDone(void* data, wl_callback* callback, std::uint32_t) {
        auto* way = static_cast<LayerShellWay*>(data);
        wl_callback_destroy(callback);
        way->frameDone_ = nullptr;
        way->Commit();
    }
    static constexpr wl_callback_listener frame{FrameDone};

    static void Released(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }
    static constexpr wl_buffer_listener release{Released};
};

std::unique_ptr<LayerShellWay> LayerShellWay::Connect(QWidget* window) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::unique_ptr<LayerShellWay> way(new LayerShellWay(window, display));
    way->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(way->registry_, &Listeners::registry, way.get());
    // The globals, then what the seat offers.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0 ||
        !way->compositor_ || !way->shm_ || !way->layerShell_)
        return nullptr;
    qApp->installEventFilter(way.get());
    way->notifier_ =
        new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read, way.get());
    // Read without waiting: what the socket held may have been read already.
    connect(way->notifier_, &QSocketNotifier::activated, way.get(), [w = way.get()] {
        if (wl_display_prepare_read(w->display_) == 0 && wl_display_read_events(w->display_) < 0)
            w->notifier_->setEnabled(false); // the compositor went
        wl_display_dispatch_pending(w->display_);
        w->Send();
    });
    // Events read by a dispatch elsewhere, and requests not yet sent, before the program waits.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
            way.get(), [w = way.get()] {
                wl_display_dispatch_pending(w->display_);
                w->Send();
            });
    return way;
}

LayerShellWay::LayerShellWay(QWidget* window, wl_display* display)
    : window_(window)
    , display_(display) {}

LayerShellWay::~LayerShellWay() {
    DestroySurface();
    ForgetKept();
    for (Buffer& buffer : passing_)
        FreeBuffer(buffer);
    if (pointer_)
        wl_pointer_destroy(pointer_);
    if (seat_)
        wl_seat_destroy(seat_);
    if (layerShell_)
        zwlr_layer_shell_v1_destroy(layerShell_);
    if (shm_)
        wl_shm_destroy(shm_);
    if (compositor_)
        wl_compositor_destroy(compositor_);
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

LayerShellWay::Buffer LayerShellWay::MakeBuffer(QSize size) {
    Buffer made;
    made.bytes = std::size_t(Stride(size.width())) * std::size_t(size.height());
    const int file = memfd_create("lumivast-frame", MFD_CLOEXEC);
    if (file < 0)
        return made;
    void* memory = ftruncate(file, off_t(made.bytes)) == 0
                       ? mmap(nullptr, made.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0)
                       : MAP_FAILED;
    if (memory != MAP_FAILED) {
        wl_shm_pool* pool = wl_shm_create_pool(shm_, file, int(made.bytes));
        // Premultiplied ARGB, as the toolkit's 32-bit images hold it on this byte order.
        made.buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(),
                                                Stride(size.width()), WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
        made.memory = static_cast<uchar*>(memory);
    }
    close(file);
    return made;
}

void LayerShellWay::FreeBuffer(Buffer& buffer) {
    if (buffer.buffer)
        wl_buffer_destroy(buffer.buffer);
    if (buffer.memory)
        munmap(buffer.memory, buffer.bytes);
    if (buffer.region)
        wl_region_destroy(buffer.region);
    buffer = Buffer();
}

wl_region* LayerShellWay::MakeRegion(const QRegion& mask) {
    wl_region* region = wl_compositor_create_region(compositor_);
    int queued = 0;
    for (const QRect& r : mask) {
        wl_region_add(region, r.x(), r.y(), r.width(), r.height());
        // A figure is thousands of rectangles: sent as they come.
        if (++queued % 128 == 0)
            Send();
    }
    return region;
}

void LayerShellWay::Send() {
    // The connection ends for good when a request finds its buffer full: what waits for the
    // socket goes first, as soon as the compositor has read what it holds.
    pollfd socket{wl_display_get_fd(display_), POLLOUT, 0};
    while (wl_display_flush(display_) < 0 && errno == EAGAIN && poll(&socket, 1, 1000) > 0) {
    }
}

void LayerShellWay::ForgetKept() {
    for (Buffer& buffer : kept_)
        FreeBuffer(buffer);
    kept_.clear();
    keptBytes_ = 0;
    compactBytes_ = 0;
    DropWaiting();
}

void LayerShellWay::DropWaiting() {
    if (waitingRegionOwned_ && waitingRegion_)
        wl_region_destroy(waitingRegion_);
    waiting_ = nullptr;
    waitingRegion_ = nullptr;
    waitingRegionOwned_ = false;
}

bool LayerShellWay::EnsureSurface() {
    if (!window_->isVisible())
        return false;
    const QSize size = window_->size();
    if (surface_ && size == surfaceSize_)
        return true;
    if (!surface_) {
        surface_ = wl_compositor_create_surface(compositor_);
        // No output named: the compositor's own choice, the one the user works on. Unanchored,
        // the surface stands in the middle of it.
        layerSurface_ = zwlr_layer_shell_v1_get_layer_surface(
            layerShell_, surface_, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "lumivast");
        zwlr_layer_surface_v1_add_listener(layerSurface_, &Listeners::layerSurface, this);
        configured_ = false;
    }
    surfaceSize_ = size;
    zwlr_layer_surface_v1_set_size(layerSurface_, std::uint32_t(size.width()),
                                   std::uint32_t(size.height()));
    // The new size is the compositor's to confirm before a content of it is attached.
    configured_ = false;
    wl_surface_commit(surface_);
    Send();
    return true;
}

void LayerShellWay::DestroySurface() {
    if (frameDone_)
        wl_callback_destroy(frameDone_);
    if (layerSurface_)
        zwlr_layer_surface_v1_destroy(layerSurface_);
    if (surface_)
        wl_surface_destroy(surface_);
    frameDone_ = nullptr;
    layerSurface_ = nullptr;
    surface_ = nullptr;
    configured_ = false;
    pointerIn_ = false;
    DropWaiting();
    // What the surface showed is no longer read.
    for (Buffer& buffer : passing_)
        buffer.busy = false;
    Send();
}

void LayerShellWay::Keep(std::size_t stamp, const QImage& content, const QRegion& mask) {
    if (kept_.contains(stamp) || content.depth() != 32)
        return;
    // Contents of another size do not come back (the window was resized): they go.
    if (content.size() != keptSize_)
        ForgetKept();
    keptSize_ = content.size();
    const qint64 bytes = qint64(Stride(content.width())) * content.height();
    Buffer buffer;
    if (keptBytes_ + bytes <= ServerReplay::BudgetBytes) {
        buffer = MakeBuffer(content.size());
        if (!buffer.buffer) {
            FreeBuffer(buffer);
            return;
        }
        for (int y = 0; y < content.height(); ++y)
            std::memcpy(buffer.memory + y * Stride(content.width()), content.constScanLine(y),
                        std::size_t(Stride(content.width())));
        keptBytes_ += bytes;
    } else {
        // Beyond the shared memory's budget, as the X way keeps its own: one byte a pixel
        // where the content has at most 256 colours, copied out each time it shows.
        buffer.compact = CompactFrame(content);
        if (compactBytes_ + buffer.compact.sizeInBytes() > ServerReplay::ProgramBudgetBytes)
            return;
        compactBytes_ += buffer.compact.sizeInBytes();
    }
    buffer.region = MakeRegion(mask);
    buffer.mask = mask;
    kept_.insert(stamp, buffer);
    Send();
}

bool LayerShellWay::Present(std::size_t stamp) {
    if (!kept_.contains(stamp) || !EnsureSurface())
        return false;
    shownStamp_ = stamp;
    shownContent_ = QImage();
    PutOnScreen();
    return true;
}

void LayerShellWay::Show(const QImage* content, const QRegion& mask) {
    if (!content || content->depth() != 32 || !EnsureSurface())
        return;
    shownStamp_.reset();
    shownContent_ = *content;
    shownMask_ = mask;
    PutOnScreen();
}

QPoint LayerShellWay::SurfaceOrigin() const {
    // Unanchored, in the middle of the screen (the window itself, off the screen, may stand
    // anywhere).
    const QRect screen = window_->screen()->geometry();
    return screen.topLeft() +
           (QPoint(screen.width(), screen.height()) - QPoint(window_->width(), window_->height())) /
               2;
}

QRegion LayerShellWay::CoveredByOwnWindows() const {
    const QPoint origin = SurfaceOrigin();
    QRegion covered;
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window_ && other->isVisible() &&
            !other->testAttribute(Qt::WA_DontShowOnScreen))
            covered += other->frameGeometry().translated(-origin);
    return covered & QRect(QPoint(), window_->size());
}

void LayerShellWay::PutOnScreen() {
    const auto kept = shownStamp_ ? kept_.constFind(*shownStamp_) : kept_.constEnd();
    const QRegion covered = CoveredByOwnWindows();
    lastCovered_ = covered;
    DropWaiting();
    if (kept != kept_.constEnd() && kept->buffer && covered.isEmpty()) {
        waiting_ = kept->buffer;
        waitingRegion_ = kept->region;
        Commit();
        return;
    }
    // Shown once: a copy into a buffer the compositor no longer reads, of the content's size,
    // without what the program's other windows cover.
    const QSize size = kept != kept_.constEnd() ? keptSize_ : shownContent_.size();
    if (size.isEmpty())
        return;
    const std::size_t bytes = std::size_t(Stride(size.width())) * std::size_t(size.height());
    Buffer* free = nullptr;
    for (Buffer& buffer : passing_)
        if (!buffer.busy && (!free || buffer.bytes == bytes))
            free = &buffer;
    if (!free)
        return; // all on the screen: this content is passed over
    if (free->bytes != bytes || !free->buffer) {
        FreeBuffer(*free);
        *free = MakeBuffer(size);
        if (!free->buffer)
            return;
        wl_buffer_add_listener(free->buffer, &Listeners::release, free);
    }
    if (kept != kept_.constEnd() && kept->buffer) {
        std::memcpy(free->memory, kept->memory, bytes);
    } else if (kept != kept_.constEnd()) {
        ExpandFrame(kept->compact, free->memory, Stride(size.width()));
    } else {
        for (int y = 0; y < size.height(); ++y)
            std::memcpy(free->memory + y * Stride(size.width()), shownContent_.constScanLine(y),
                        std::size_t(Stride(size.width())));
    }
    QImage onScreen(free->memory, size.width(), size.height(), Stride(size.width()),
                    QImage::Format_ARGB32_Premultiplied);
    for (const QRect& r : covered)
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memset(onScreen.scanLine(y) + r.left() * 4, 0, std::size_t(r.width()) * 4);
    waiting_ = free->buffer;
    // A compositor adds a region's rectangles one by one, each time through all of it: a
    // kept content's region is made once.
    if (kept != kept_.constEnd() && covered.isEmpty()) {
        waitingRegion_ = kept->region;
    } else {
        waitingRegion_ = MakeRegion((kept != kept_.constEnd() ? kept->mask : shownMask_) - covered);
        waitingRegionOwned_ = true;
    }
    Commit();
}

bool LayerShellWay::eventFilter(QObject* watched, QEvent* event) {
    // The program's other windows appearing, going or moving over the surface.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide || type == QEvent::Move ||
         type == QEvent::Resize) &&
        watched != window_ && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow() && !coverChecked_) {
        coverChecked_ = true;
        QTimer::singleShot(0, this, [this] {
            coverChecked_ = false;
            if (surface_ && CoveredByOwnWindows() != lastCovered_)
                PutOnScreen();
        });
    }
    return false;
}

void LayerShellWay::Commit() {
    if (!surface_ || !configured_ || frameDone_ || !waiting_)
        return;
    wl_surface_attach(surface_, waiting_, 0, 0);
    wl_surface_damage(surface_, 0, 0, surfaceSize_.width(), surfaceSize_.height());
    wl_surface_set_input_region(surface_, waitingRegion_);
    for (Buffer& buffer : passing_)
        buffer.busy |= buffer.buffer == waiting_;
    DropWaiting();
    // The next content waits until the compositor has drawn this one.
    frameDone_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frameDone_, &Listeners::frame, this);
    wl_surface_commit(surface_);
    Send();
}

void LayerShellWay::Hidden() {
    DestroySurface();
}

void LayerShellWay::Deliver(QEvent::Type type, QPoint at, Qt::MouseButton button) {
    QWidget* target = window_->childAt(at);
    if (!target)
        target = window_;
    if (type == QEvent::MouseButtonPress)
        buttons_ |= button;
    else
        buttons_ &= ~button;
    // The pointer is where the click was on the surface.
    const QPoint global = SurfaceOrigin() + at;
    const PointerElsewhere pointer(global);
    QMouseEvent event(type, target->mapFrom(window_, QPointF(at)), QPointF(global), button,
                      buttons_, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace platform
