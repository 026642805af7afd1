#include "LayerShellBackend.h"

#include "Connection.h"
#include "LayerSurface.h"
#include "PointerInput.h"
#include "platform/Logging.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstring>

namespace platform::wayland {

namespace {

constexpr qint64 MaxFigureRectangles = qint64(1) << 20;

} // namespace

std::unique_ptr<LayerShellBackend> LayerShellBackend::Connect(QWidget* window, QString& why) {
    // Only beside XWayland: the toolkit's own Wayland windows are the toolkit's business.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        why = QStringLiteral("the toolkit runs on %1, not beside XWayland")
                  .arg(QGuiApplication::platformName());
        return nullptr;
    }
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        why = QStringLiteral("no Wayland session (WAYLAND_DISPLAY is not set)");
        return nullptr;
    }
    std::unique_ptr<Connection> connection = Connection::Open(why);
    if (!connection)
        return nullptr;
    std::unique_ptr<LayerShellBackend> backend(
        new LayerShellBackend(window, std::move(connection)));
    // What the seat offers.
    if (!backend->connection_->Roundtrip()) {
        why = QStringLiteral("the compositor went");
        return nullptr;
    }
    return backend;
}

LayerShellBackend::LayerShellBackend(QWidget* window, std::unique_ptr<Connection> connection)
    : window_(window)
    , connection_(std::move(connection))
    , pool_(*connection_)
    , surface_(std::make_unique<LayerSurface>(*connection_, pool_, window))
    , pointer_(std::make_unique<PointerInput>(connection_->Seat(), window, *surface_)) {
    // Its contents go to the surface: the window itself is never put on the screen.
    window_->setAttribute(Qt::WA_DontShowOnScreen);
    connect(surface_.get(), &LayerSurface::Gone, pointer_.get(), &PointerInput::SurfaceGone);
    connect(surface_.get(), &LayerSurface::Moved, this, &LayerShellBackend::Replace);
    connect(&connection_->Screens(), &Outputs::Changed, this, &LayerShellBackend::Replace);
    // Told while the compositor's events are read: acted on once that is done.
    connect(surface_.get(), &LayerSurface::TakenAway, this, &LayerShellBackend::Recreate,
            Qt::QueuedConnection);
    qApp->installEventFilter(this);
    // The toolkit hears of a new size of the X screen a while after the compositor tells of
    // its outputs: the program's windows are cut out anew by the size it has then.
    const auto follow = [this](QScreen* screen) {
        connect(screen, &QScreen::virtualGeometryChanged, this, [this] {
            if (surface_->Surface())
                PutOnScreen();
        });
    };
    for (QScreen* screen : QGuiApplication::screens())
        follow(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, follow);
}

LayerShellBackend::~LayerShellBackend() {
    surface_->Destroy();
    ForgetKept();
}

void LayerShellBackend::ForgetKept() {
    for (Buffer& buffer : kept_)
        pool_.Free(buffer);
    kept_.clear();
    figureRectangles_ = 0;
    // A content waiting to be shown may be one of them.
    surface_->ShowNext(nullptr, nullptr, false);
}

const Placement& LayerShellBackend::Placing() {
    const Outputs::Output* output = connection_->Screens().Find(surface_->Output());
    const double scale = surface_->PreferredScale() > 0 ? surface_->PreferredScale()
                         : output                       ? output->Scale()
                                                        : 1;
    Placement next = Place(window_->size(), scale, output ? output->logical : QRect());
    if ((next.buffer != placed_.buffer || next.factor != placed_.factor) && !kept_.isEmpty()) {
        ForgetKept();
        emit KeptContentsLost();
    }
    placed_ = next;
    return placed_;
}

void LayerShellBackend::Replace() {
    if (!surface_->Surface())
        return;
    const Placement before = placed_;
    if (Placing() == surface_->Placed())
        return;
    qCInfo(lcWayland) << "the figure placed anew:" << placed_.factor << "device pixels a pixel at"
                      << "scale" << placed_.scale << "," << placed_.logical << "at"
                      << placed_.margin.value_or(QPoint(-1, -1));
    surface_->Ensure(placed_);
    // The content shown is drawn again at the new size (a still picture too).
    if (before.buffer == placed_.buffer && before.factor == placed_.factor)
        PutOnScreen();
    else
        window_->update();
}

void LayerShellBackend::Recreate() {
    if (!window_->isVisible())
        return;
    // Where the compositor now puts it is told once it shows there.
    Placement unplaced = placed_;
    unplaced.margin.reset();
    if (surface_->Ensure(unplaced))
        PutOnScreen();
}

void LayerShellBackend::Keep(std::size_t stamp, const QImage& content, const QRegion& mask) {
    if (content.depth() != 32 || content.size() != window_->size())
        return;
    const Placement& placement = Placing();
    if (kept_.contains(stamp))
        return;
    if (budget_.Resized(placement.buffer))
        ForgetKept();
    Buffer buffer;
    switch (budget_.Keep(content, buffer.compact)) {
    case FrameBudget::Form::AsIs:
        buffer = pool_.Make(placement.buffer);
        if (!buffer.buffer) {
            pool_.Free(buffer);
            return;
        }
        DrawInto(buffer, placement.buffer, content, placement.factor);
        break;
    case FrameBudget::Form::Compact:
        break;
    case FrameBudget::Form::Nowhere:
        // A figure takes the compositor 16 bytes a rectangle: 16 MiB at most.
        if (figureRectangles_ + mask.rectCount() > MaxFigureRectangles)
            return;
        figureRectangles_ += mask.rectCount();
        break;
    }
    buffer.region = connection_->MakeRegion(placement.ToLogical(mask));
    buffer.mask = mask;
    kept_.insert(stamp, buffer);
    connection_->Send();
}

bool LayerShellBackend::Present(std::size_t stamp, const QRegion&) {
    const Placement& placement = Placing();
    const auto kept = kept_.constFind(stamp);
    if (kept == kept_.constEnd() || !surface_->Ensure(placement))
        return false;
    // Its pixels come with Show.
    if (!kept->buffer && kept->compact.isNull()) {
        askedFigure_ = stamp;
        return false;
    }
    shownStamp_ = stamp;
    shownContent_ = QImage();
    PutOnScreen();
    return true;
}

void LayerShellBackend::Show(const QImage* content, const QRegion& mask) {
    if (!content || content->depth() != 32 || !surface_->Ensure(Placing()))
        return;
    shownStamp_.reset();
    shownContent_ = *content;
    shownMask_ = mask;
    shownFigure_ = std::exchange(askedFigure_, std::nullopt);
    if (shownFigure_) {
        const auto kept = kept_.constFind(*shownFigure_);
        if (kept == kept_.constEnd() || kept->mask != mask)
            shownFigure_.reset();
    }
    PutOnScreen();
}

QRegion LayerShellBackend::CoveredByOwnWindows() const {
    QRegion covered;
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window_ && other->isVisible() &&
            !other->testAttribute(Qt::WA_DontShowOnScreen))
            covered += surface_->FromToolkit(other->frameGeometry());
    return covered & QRect(QPoint(), placed_.logical);
}

void LayerShellBackend::PutOnScreen() {
    const auto kept = shownStamp_ ? kept_.constFind(*shownStamp_) : kept_.constEnd();
    const bool isKept = kept != kept_.constEnd();
    // In the surface's logical pixels.
    const QRegion covered = CoveredByOwnWindows();
    lastCovered_ = covered;
    if (isKept && kept->buffer && covered.isEmpty()) {
        surface_->ShowNext(kept->buffer, kept->region, false);
        return;
    }
    // Shown once: a copy into a buffer the compositor no longer reads, without what the
    // program's other windows cover.
    const QSize size = placed_.buffer;
    const bool fits = isKept || shownContent_.size() == placed_.picture;
    Buffer* free = size.isEmpty() || !fits ? nullptr : pool_.Lend(size);
    if (!free) {
        // All on the screen: this content is passed over.
        surface_->ShowNext(nullptr, nullptr, false);
        return;
    }
    if (isKept && kept->buffer) {
        std::memcpy(free->memory, kept->memory, free->bytes);
    } else if (isKept) {
        DrawInto(*free, size, kept->compact, placed_.factor);
    } else {
        DrawInto(*free, size, shownContent_, placed_.factor);
    }
    QImage onScreen(free->memory, size.width(), size.height(), size.width() * 4,
                    QImage::Format_ARGB32_Premultiplied);
    for (const QRect& logical : covered) {
        const QRect r = placed_.ToBuffer(logical);
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memset(onScreen.scanLine(y) + r.left() * 4, 0, std::size_t(r.width()) * 4);
    }
    // A compositor adds a region's rectangles one by one, each time through all of it: a kept
    // content's region is made once.
    const auto figure = shownFigure_ && !isKept ? kept_.constFind(*shownFigure_) : kept_.constEnd();
    if (isKept && covered.isEmpty())
        surface_->ShowNext(free->buffer, kept->region, false);
    else if (figure != kept_.constEnd() && covered.isEmpty())
        surface_->ShowNext(free->buffer, figure->region, false);
    else
        surface_->ShowNext(
            free->buffer,
            connection_->MakeRegion(placed_.ToLogical(isKept ? kept->mask : shownMask_) - covered),
            true);
}

bool LayerShellBackend::eventFilter(QObject* watched, QEvent* event) {
    // The program's other windows appearing, going or moving over the surface.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide || type == QEvent::Move ||
         type == QEvent::Resize) &&
        watched != window_ && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow() && !coverChecked_) {
        coverChecked_ = true;
        QTimer::singleShot(0, this, [this] {
            coverChecked_ = false;
            if (surface_->Surface() && CoveredByOwnWindows() != lastCovered_)
                PutOnScreen();
        });
    }
    return false;
}

void LayerShellBackend::WindowHidden() {
    surface_->Destroy();
}

} // namespace platform::wayland
