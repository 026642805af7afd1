#pragma once

#include "platform/FrameBudget.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QRegion>
#include <cstdint>
#include <memory>

class QWidget;
struct xcb_connection_t;

namespace platform::x11 {

// Shows a window's repeated contents from the X server. A content is kept there once, as a
// pixmap with its shape as a region; when it comes back (each loop of an animation after
// the first), presenting it takes four small requests: no painting, no pixels sent. The
// kept pixmap also becomes the window's background, so the server itself repaints whatever
// other windows uncover. Contents beyond the server's budget are kept by the program (one
// byte a pixel where they have at most 256 colours) and sent through shared memory (MIT-SHM,
// else the ordinary image request) into one pixmap that is presented the same way. Only on
// X11, for windows drawn one device pixel per pixel.
class ServerReplay {
public:
    // A replay for the shown top-level `window`, or null where contents cannot be kept (no
    // XFixes regions, a pixel format the kept images do not match; said in lumivast.x11).
    static std::unique_ptr<ServerReplay> For(QWidget* window);
    ~ServerReplay();
    ServerReplay(const ServerReplay&) = delete;
    ServerReplay& operator=(const ServerReplay&) = delete;

    // Keeps `content` (the window's pixels, in RGB32) and the region of it that is shown,
    // under `stamp`: in the server while the budget allows, else in the program while its
    // budget allows; a content kept nowhere is painted by the window each time.
    void Keep(size_t stamp, const QImage& content, const QRegion& shown);
    // What a presented content's region becomes: the window's outline, the part of it that
    // takes the mouse (where the pixels carry the key's transparency), or nothing (the part
    // that takes the mouse is left as it is).
    enum class Shape { Outline, Input, Unchanged };
    // Puts the content kept under `stamp` on screen with its region as `shape`; false when
    // there is none.
    bool Present(size_t stamp, Shape shape);
    // Makes the region of the content kept under `stamp` the part of the window that takes
    // the mouse; false when there is none.
    bool SetInputShape(size_t stamp);
    // Whether the server shows a kept content (and not what the toolkit painted last).
    bool Presenting() const { return presenting_; }
    // The toolkit paints the window again: the server no longer repaints it from a kept one.
    void ReturnToToolkit();

private:
    struct Kept {
        std::uint32_t pixmap; // 0 for a content the program keeps
        std::uint32_t region;
        QImage compact;
    };
    ServerReplay(xcb_connection_t* connection, QWidget* window, std::uint8_t depth);
    // The window's native id now: the toolkit may have made its native window anew.
    std::uint32_t NativeWindow() const;
    std::uint32_t CreatePixmap(std::uint32_t window);
    // Sends 32-bit pixels `rows` apart into `pixmap`, through shared memory where it can.
    void SendPixels(std::uint32_t pixmap, const uchar* pixels, qsizetype stride);
    // Writes a content the program keeps into the pixmap its contents are shown from.
    std::uint32_t Stage(const QImage& compact);
    void ForgetAll();

    xcb_connection_t* connection_;
    QWidget* window_;
    std::uint8_t depth_;
    std::uint32_t gc_ = 0;
    QHash<size_t, Kept> kept_;
    QSize keptSize_;
    // In the server, one pixmap held back for the stage.
    FrameBudget budget_{FrameBudget::BudgetBytes, FrameBudget::ProgramBudgetBytes, 1};
    // The pixmap that contents the program keeps are shown from.
    std::uint32_t stage_ = 0;
    // A shared memory segment as large as one content (none: the ordinary image request).
    std::uint32_t segment_ = 0;
    uchar* shared_ = nullptr;
    // Where MIT-SHM is missing: the pixels on their way in an ordinary request.
    QByteArray unshared_;
    bool sharedTried_ = false;
    bool presenting_ = false;
    // The events the toolkit asked for on the window, while presenting without exposures.
    std::uint32_t toolkitEvents_ = 0;
};

} // namespace platform::x11
