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

class KeyWay;
class ServerReplay;

// Makes every pixel of one colour of a top-level window transparent, for the eye and for the
// mouse (clicks there reach the window beneath). Before each repaint of the window, its new
// content is rendered off screen and the pixels that are not the key become the mask, so a
// new frame never shows its key-coloured pixels. Masks are kept per distinct content, so a
// looping animation computes each frame's mask once. How the mask is put on the screen is
// the business of one of three ways (ways/), chosen by the session: a Wayland compositor's
// own surface where one offers layer-shell (its clicks would otherwise all go to XWayland),
// else on X11 a window with an alpha channel whose key is transparent and whose input shape
// follows the mask where a compositing manager draws the screen, else the window's outline
// (the X Shape extension), which needs no compositor. The X ways follow a compositing
// manager that starts or stops. A content seen before is shown again without painting: from
// the X server (ServerReplay) or from the Wayland surface's kept buffers.
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
    // content was seen before, shows it again as it was kept and returns true, and the window
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
    // Takes the X way that the desktop calls for now, and cuts the shown mask away by it.
    void FollowDesktop();
    // Gives the native window an alpha channel or none, as it is next made.
    void ChooseAlpha(bool alpha);
    // Makes the shown window's native window anew with the alpha channel that the desktop
    // calls for now.
    void RemakeNativeWindow();
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
    // Whether the key's pixels get alpha 0 in the contents rendered (the window was made with
    // an alpha channel, or its contents go to a surface of the program's own).
    bool hasAlpha_ = false;
    std::unique_ptr<KeyWay> way_;
    bool remakePending_ = false;
    // Whether the native window was last made anew for an alpha channel (1) or for none (0)
    // and did not get it; -1 otherwise.
    int remadeFor_ = -1;
    // The child that gives the key's pixels alpha 0 in what the window paints.
    QPointer<QWidget> alphaKey_;
};

} // namespace platform
