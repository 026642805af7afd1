#include "KeyBackend.h"

#include "Logging.h"
#include "wayland/LayerShellBackend.h"
#include "x11/X11Backend.h"

#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

// The toolkit's own mask of the window, where no backend of the program's can do better (no
// X11 and no layer-shell: Qt's own Wayland windows, the offscreen platform). What the mask
// does there is the toolkit's platform's business.
class PlainBackend : public KeyBackend {
public:
    explicit PlainBackend(QWidget* window)
        : window_(window) {}
    bool KeyByAlpha() const override { return false; }
    void Show(const QImage*, const QRegion& mask) override { SetWindowMask(window_, mask); }
    void Keep(std::size_t, const QImage&, const QRegion&) override {}
    bool Present(std::size_t, const QRegion&) override { return false; }

private:
    QWidget* window_;
};

} // namespace

KeyBackend::~KeyBackend() = default;

void ClearKeyAlpha(QImage& image, const QRect& area, QRgb key) {
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = inside.left(); x <= inside.right(); ++x)
            if ((row[x] & 0xffffff) == key)
                row[x] = 0;
    }
}

void SetWindowMask(QWidget* window, const QRegion& mask) {
    window->winId();
    if (QWindow* native = window->windowHandle())
        native->setMask(mask.isEmpty() ? QRegion(-1, -1, 1, 1) : mask);
}

std::unique_ptr<KeyBackend> ChooseKeyBackend(QWidget* window, QRgb key) {
    // Asked for, for tests and benchmarks: "alpha" on sway is the XWayland way.
    QByteArray asked = qgetenv("LUMIVAST_KEY_WAY");
    const QByteArrayList known = {"wayland", "alpha", "outline", "plain"};
    if (!asked.isEmpty() && !known.contains(asked)) {
        qCWarning(lcKey).nospace() << "LUMIVAST_KEY_WAY=" << asked << " is none of "
                                   << known.join(", ") << ": the session's way is taken";
        asked.clear();
    }
    const auto declined = [](const char* backend, const QString& why) {
        qCInfo(lcKey).noquote() << backend << "declined:" << why;
    };
    QString why;
    if (asked.isEmpty() || asked == "wayland") {
        if (auto backend = wayland::LayerShellBackend::Connect(window, why)) {
            qCInfo(lcKey) << "the key is cut by a layer surface of the program's own";
            return backend;
        }
        declined("layer-shell", why);
    }
    if (asked != "plain") {
        std::optional<x11::X11Backend::Mode> mode;
        if (asked == "alpha" || asked == "outline")
            mode = asked == "alpha" ? x11::X11Backend::Mode::Alpha : x11::X11Backend::Mode::Outline;
        if (auto backend = x11::X11Backend::Make(window, key, mode, why)) {
            qCInfo(lcKey) << "the key is cut by the X11 window,"
                          << (mode ? (asked + " as asked").constData()
                                   : "by alpha under a compositing manager, else by its outline");
            return backend;
        }
        declined("X11", why);
    }
    qCInfo(lcKey) << "the key is cut by the toolkit's own mask of the window";
    return std::make_unique<PlainBackend>(window);
}

QByteArray ChoosePlatform(const QProcessEnvironment& environment) {
    if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        return {};
    const bool wayland = environment.value(QStringLiteral("XDG_SESSION_TYPE"))
                                 .compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0 ||
                         !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    if (!wayland || environment.value(QStringLiteral("DISPLAY")).isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
}

void UseChosenPlatform() {
    const QByteArray platform = ChoosePlatform(QProcessEnvironment::systemEnvironment());
    if (!platform.isEmpty()) {
        qCInfo(lcKey) << "a Wayland session with XWayland: the toolkit runs on" << platform;
        qputenv("QT_QPA_PLATFORM", platform);
    }
}

} // namespace platform
