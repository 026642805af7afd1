#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QProcessEnvironment>
#include <QRegion>
#include <QRgb>
#include <cstddef>
#include <memory>

class QWidget;

namespace platform {

// What cuts a window's key colour away on this desktop, given the mask of the window's pixels
// that are not the key: what the screen shows of the window and where it takes the mouse. The
// colour key (ColourKey) decides what the window shows and when; a backend only puts it on the
// screen. Callers ask a backend what it can do, never which one it is.
class KeyBackend : public QObject {
    Q_OBJECT

public:
    ~KeyBackend() override;

    // Whether the key's pixels are to have alpha 0 in the contents handed over.
    virtual bool KeyByAlpha() const = 0;
    // Whether the backend shows the window's rendered contents itself (the window's own
    // painting never reaches the screen): every content shown is handed over rendered.
    virtual bool ShowsRenderedContent() const { return false; }

    // The window was shown or hidden.
    virtual void WindowShown() {}
    virtual void WindowHidden() {}
    // The window is about to paint (after its key has handed over what it shows next), and
    // has painted and handed its content to the window system.
    virtual void BeforePaint() {}
    virtual void AfterPaint() {}

    // The window shows a content with `mask` that is kept nowhere; `content` is that content
    // rendered where ShowsRenderedContent, else null (the window paints it itself).
    virtual void Show(const QImage* content, const QRegion& mask) = 0;
    // Keeps a content (the window's pixels, RGB32, the key's alpha 0 where KeyByAlpha) and its
    // mask under `stamp`, where the backend can; kept contents come back by Present.
    virtual void Keep(std::size_t stamp, const QImage& content, const QRegion& mask) = 0;
    // Puts the content kept under `stamp`, whose mask is `mask`, on the screen; false when it
    // is kept nowhere or cannot be shown so now.
    virtual bool Present(std::size_t stamp, const QRegion& mask) = 0;

signals:
    // What the backend kept is gone (its native window was made anew): contents are to be
    // handed over again as they come.
    void KeptContentsLost();
};

// Gives the pixels of the key colour alpha 0 (all of their bits 0, premultiplied) in `area`.
void ClearKeyAlpha(QImage& image, const QRect& area, QRgb key);
// Cuts the window to `mask` with the toolkit's own mask of its native window (a widget mask
// would also clip the widgets' painting and leave pixels about to be shown unpainted). An all-
// key window shows nothing: an empty mask would mean no mask at all.
void SetWindowMask(QWidget* window, const QRegion& mask);

// The backend that cuts `window`'s key away on this desktop, chosen from what the session
// offers: a Wayland compositor's layer surface of the program's own, else an X11 window cut
// by alpha under a compositing manager or by its outline without one, else the toolkit's own
// mask of the window. LUMIVAST_KEY_WAY (wayland, alpha, outline or plain) asks for one; a
// backend that the session cannot offer is not taken. Says which it took, and why each one
// before it declined (lumivast.key). Made before the window is first shown.
std::unique_ptr<KeyBackend> ChooseKeyBackend(QWidget* window, QRgb key);

// Which Qt platform to run on in `environment`, or empty to leave Qt's own choice: in a
// Wayland session that offers XWayland (DISPLAY set), X11 ("xcb"), where the key can be cut
// away (keeping above, shapes, alpha) and the figure can have a layer surface of its own
// beside it, unless the user chose a platform (QT_QPA_PLATFORM). Without XWayland Qt's choice
// stays, and the picture plays in an ordinary window.
QByteArray ChoosePlatform(const QProcessEnvironment& environment);
// Puts that choice in place; to be called before the application object exists.
void UseChosenPlatform();

} // namespace platform
