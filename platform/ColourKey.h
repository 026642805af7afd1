#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QRgb>
#include <QTimer>
#include <functional>
#include <memory>

class QWidget;

namespace platform {

class ServerReplay;

// Makes every pixel of one colour of a top-level window transparent, for the eye and for the
// mouse (clicks there reach the window beneath). Before each repaint of the window, its new
// content is rendered off screen and the pixels that are not the key become the mask, so a
// new frame never shows its key-coloured pixels. Masks are kept per distinct content, so a
// looping animation computes each frame's mask once, and a mask is applied only when it
// changes. Two ways to cut the key away, chosen by the desktop: where a compositing manager
// draws the screen, the window has an alpha channel, the key's pixels are painted with alpha
// 0, its outline stays its rectangle and only the part that takes the mouse follows the mask
// (Wayland compositors apply no X shapes to XWayland's windows); elsewhere the mask is the
// window's outline (the X Shape extension), which needs no compositor. The window follows a
// compositing manager that starts or stops. On X11 a content seen before is shown again
// from the X server (ServerReplay) without painting.
class ColourKey : public QObject {
    Q_OBJECT

public:
    // Installs the key on `window` (replacing an earlier one); it lives as long as the window.
    static ColourKey* Install(QWidget* window, QRgb key);
    // The key installed on `window`, if any.
    static ColourKey* Of(const QWidget* window);

    // The region of the window that is shown, in its own coordinates.
    QRegion ShownRegion() const { return shown_; }
    // Recomputes the mask from what the window shows now.
    void Update();

    // A value that the window's owner derives from what the window shows, the same value
    // meaning the same pixels. With it, content seen before needs no rendering at all.
    void SetContentStamp(std::function<size_t()> stamp) { stamp_ = std::move(stamp); }
    // The window's content has just changed (its views have not repainted yet): when the new
    // content was seen before, shows it from the X server and returns true, and the window
    // need not repaint.
    bool PresentKnownContent();
    ~ColourKey() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ColourKey(QWidget* window, QRgb key);
    // The window's server-side replay, where there can be one.
    ServerReplay* Replay();
    // Shows the content kept in the server under `stamp`, whose mask is `mask`, if any.
    bool Present(size_t stamp, const QRegion& mask);
    size_t CurrentStamp() const;
    void Apply(const QRegion& mask);
    // The mask of what the window shows now, rendered off screen (or known by its content).
    QRegion RenderedMask();
    void ApplyShape(const QRegion& mask);
    // Takes the way that the desktop calls for now, and cuts the shown mask away by it.
    void FollowDesktop();
    // Widens the shape to the whole new mask once the new content is on its way.
    void FinishShape();

    QWidget* window_;
    QRgb key_;
    QRegion shown_;
    bool applied_ = false;
    bool updating_ = false;
    bool finishPending_ = false;
    bool aboutToPaint_ = false;
    QHash<size_t, QRegion> masks_;
    QImage content_;
    QTimer releaseBuffer_;
    std::function<size_t()> stamp_;
    QHash<size_t, QRegion> masksByStamp_;
    std::unique_ptr<ServerReplay> replay_;
    bool replayTried_ = false;
    // Whether the server showed contents since the window last painted.
    bool toolkitBehind_ = false;
    // Whether the window was made with an alpha channel, and whether the key is cut by it.
    bool hasAlpha_ = false;
    bool byAlpha_ = false;
    // The child that gives the key's pixels alpha 0 in what the window paints.
    QPointer<QWidget> alphaKey_;
};

} // namespace platform
