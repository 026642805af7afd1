#pragma once

#include "platform/KeyBackend.h"

#include <QPointer>
#include <optional>

class QWindow;

namespace platform::x11 {

class InputShape;
class ServerReplay;

// The key cut away on X11, in one of two modes that the desktop calls for. Where a compositing
// manager draws the screen, by alpha: the window has an alpha channel, the key's pixels have
// alpha 0 and only the part of the window that takes the mouse follows the figure (InputShape).
// Where none does, by the outline: the window has no alpha channel (the X server would blend
// one into the screen itself, every frame) and the figure is its shape (X Shape), for the eye
// and for the mouse. When a compositing manager starts or stops, the native window is made
// anew with or without an alpha channel and the mode changes. Contents seen before come back
// from the server (ServerReplay), presented with their mask as the mode's shape. A change of
// mask while the window paints itself is made in two steps, so that no pixel of the key ever
// shows: first the pixels that are figure in both the old and the new content, then, once the
// window has painted and handed its content to the server, the whole new mask.
class X11Backend : public KeyBackend {
    Q_OBJECT

public:
    enum class Mode { Outline, Alpha };
    // The backend for `window` (not shown yet) on the toolkit's X connection; null without
    // one, `why` saying so. `asked`: the mode to take whatever the desktop does.
    static std::unique_ptr<X11Backend> Make(QWidget* window, QRgb key, std::optional<Mode> asked,
                                            QString& why);
    ~X11Backend() override;

    bool KeyByAlpha() const override { return alpha_; }
    void WindowShown() override;
    void WindowHidden() override;
    void BeforePaint() override;
    void AfterPaint() override;
    void Show(const QImage* content, const QRegion& mask) override;
    void Keep(std::size_t stamp, const QImage& content, const QRegion& mask) override;
    bool Present(std::size_t stamp, const QRegion& mask) override;

    // The window's replay from the server: made once the window shows, when the toolkit has
    // settled on its native window, for windows drawn one device pixel a pixel.
    ServerReplay* Replay();

private:
    X11Backend(QWidget* window, QRgb key, std::optional<Mode> asked);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Whether the desktop calls for alpha now (a compositing manager draws the screen), or the
    // mode asked for.
    bool WantsAlpha() const;
    // Takes the mode that the desktop calls for now, and cuts the shown mask away by it.
    void FollowDesktop();
    // Gives the native window an alpha channel or none, as it is next made.
    void ChooseAlpha(bool alpha);
    // Makes the shown window's native window anew with the alpha channel that the desktop
    // calls for now.
    void RemakeNativeWindow();
    // Sets `mask` as the mode's shape.
    void ApplyShape(const QRegion& mask);
    // Widens the shape to the whole new mask once the new content is on its way.
    void FinishShape();

    QWidget* window_;
    QRgb key_;
    std::optional<Mode> asked_;
    // Whether the native window was asked for with an alpha channel.
    bool alpha_ = false;
    // The child that gives the key's pixels alpha 0 in what the window paints.
    QPointer<QWidget> alphaKey_;
    std::unique_ptr<ServerReplay> replay_;
    bool replayTried_ = false;
    // The alpha mode's shape; none in the outline mode.
    std::unique_ptr<InputShape> input_;
    // The shape set (or to be set) for the content on show.
    QRegion shape_;
    bool shaped_ = false;
    bool finishPending_ = false;
    bool painting_ = false;
    // Whether the server showed contents since the window last painted.
    bool toolkitBehind_ = false;
    bool remakePending_ = false;
    // Whether the native window was last made anew for an alpha channel (1) or for none (0)
    // and did not get it; -1 otherwise.
    int remadeFor_ = -1;
    // Whether the mode taken has been said.
    bool modeSaid_ = false;
};

} // namespace platform::x11
