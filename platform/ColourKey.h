#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QRegion>
#include <QRgb>
#include <QTimer>
#include <functional>
#include <memory>

class QWidget;

namespace platform {

class KeyBackend;

// Makes every pixel of one colour of a top-level window transparent, for the eye and for the
// mouse (clicks there reach the window beneath). Before each repaint of the window, its new
// content is rendered off screen and the pixels that are not the key become the mask, so a
// new frame never shows its key-coloured pixels. Masks are kept per distinct content, so a
// looping animation computes each frame's mask once, and contents are handed to the backend
// that the session offers (KeyBackend) to keep: a content seen before is shown again without
// rendering or painting. How the mask reaches the screen is the backend's business.
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
    // Shows the content kept under `stamp`, whose mask is `mask`, if any.
    bool Present(size_t stamp, const QRegion& mask);
    size_t CurrentStamp() const;
    // The mask of what the window shows now, rendered off screen (or known by its content).
    QRegion RenderedMask();

    QWidget* window_;
    QRgb key_;
    QRegion shown_;
    bool updating_ = false;
    QHash<size_t, QRegion> masks_;
    QImage content_;
    QTimer releaseBuffer_;
    std::function<size_t()> stamp_;
    QHash<size_t, QRegion> masksByStamp_;
    std::unique_ptr<KeyBackend> backend_;
};

} // namespace platform
