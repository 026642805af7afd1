#pragma once

#include "BufferPool.h"
#include "Placement.h"
#include "platform/FrameBudget.h"
#include "platform/KeyBackend.h"

#include <QHash>
#include <memory>
#include <optional>

namespace platform::wayland {

class Connection;
class LayerSurface;
class PointerInput;

// The key cut away by a surface of the program's own on the Wayland compositor, where the
// compositor offers layer-shell (KWin, sway and the wlroots family). Through XWayland the
// compositor hands every click on an X window's rectangle to XWayland, whatever its input
// shape; a layer surface's input region is the compositor's own business. The window itself
// never shows (the toolkit keeps it off the screen); its rendered contents go to the surface
// (LayerSurface), the key's pixels transparent and its input region the figure. Contents seen
// before are kept in shared memory buffers and attached again without a copy, within the
// budget (FrameBudget); beyond it they are kept compact and copied out as they come, and
// beyond that only their figures are kept, as input regions in the compositor. The
// compositor draws every X window beneath layer surfaces: the surface leaves out the parts
// that the program's own other windows cover (its menu, its messages), for the eye and for
// the mouse, following them as they show, move and go. The surface follows its output's
// scale (Placement): contents are kept at the device size they show at, and a change of
// scale or output puts the current content there anew.
class LayerShellBackend : public KeyBackend {
    Q_OBJECT

public:
    // The backend for `window`, or null where no Wayland compositor offers layer-shell beside
    // the toolkit's XWayland (`why` says so).
    static std::unique_ptr<LayerShellBackend> Connect(QWidget* window, QString& why);
    ~LayerShellBackend() override;

    bool KeyByAlpha() const override { return true; }
    bool ShowsRenderedContent() const override { return true; }
    void WindowHidden() override;
    void Show(const QImage* content, const QRegion& mask) override;
    void Keep(std::size_t stamp, const QImage& content, const QRegion& mask) override;
    bool Present(std::size_t stamp, const QRegion& mask) override;

private:
    LayerShellBackend(QWidget* window, std::unique_ptr<Connection> connection);
    void ForgetKept();
    // The placement for the window's content on the surface's output now; what was kept for
    // another size of buffer is forgotten.
    const Placement& Placing();
    // The surface came onto another output, or an output changed: its content is placed anew.
    void Replace();
    // The compositor took the surface away: a new one, with the content shown last.
    void Recreate();
    // Where the program's other windows cover the surface.
    QRegion CoveredByOwnWindows() const;
    // Puts the content shown last on its way to the screen, without what is covered.
    void PutOnScreen();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QWidget* window_;
    std::unique_ptr<Connection> connection_;
    BufferPool pool_;
    std::unique_ptr<LayerSurface> surface_;
    std::unique_ptr<PointerInput> pointer_;

    QHash<std::size_t, Buffer> kept_;
    Placement placed_;
    FrameBudget budget_{FrameBudget::BudgetBytes, FrameBudget::ProgramBudgetBytes};
    // The content shown last: kept under a stamp, or shown once.
    std::optional<std::size_t> shownStamp_;
    QImage shownContent_;
    // A content kept nowhere keeps its figure (a compositor builds a region rectangle by
    // rectangle, each time through all of it): the one asked for last, and the one shown.
    std::optional<std::size_t> askedFigure_;
    std::optional<std::size_t> shownFigure_;
    qint64 figureRectangles_ = 0;
    QRegion shownMask_;
    QRegion lastCovered_;
    bool coverChecked_ = false;
};

} // namespace platform::wayland
