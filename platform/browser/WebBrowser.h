#pragma once

#include "HtmlDocument.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QVariant>
#include <functional>
#include <memory>

namespace litehtml {
class context;
class document;
} // namespace litehtml

namespace platform::browser {

class PageContainer;

// A web browser control: shows HTML documents with litehtml inside a 2-pixel sunken edge,
// scrolls them, and reports what the user does through the document's and its own events,
// all delivered synchronously on the GUI thread. It has no network: an address that is not
// about: or a local file shows a built-in page instead. It has no text selection and no
// context menu of its own.
class WebBrowser : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit WebBrowser(QWidget* parent = nullptr);
    ~WebBrowser() override;

    // The control never shows dialogs; kept as a setting for the views that ask for it.
    bool Silent() const { return silent_; }
    void SetSilent(bool silent) { silent_ = silent; }

    // Starts a navigation: BeforeNavigate2 is raised at once; unless cancelled, the page
    // appears on a later turn of the event loop. "about:" followed by HTML shows that HTML.
    void Navigate2(const QString& url);

    // The document, once the first navigation has produced one; null before.
    HtmlDocument* Document() const { return documentReady_ ? document_ : nullptr; }

    // Places the control inside its parent, in pixels.
    void Move(int left, int top, int width, int height) { setGeometry(left, top, width, height); }

    // Changes whenever what the control shows may have changed: the same value means the same
    // pixels (a rewrite, a layout, a scroll, a hover effect or a picture's frame changes it).
    size_t DisplayStamp() const;
    // The pictures of the page shown that could not be loaded (they show the missing mark).
    QStringList MissingPictures() const;
    // Asked when pictures of the page move to another frame, before the control repaints
    // them; when it returns true, the window is already showing the new frames otherwise.
    void SetFramePresenter(std::function<bool()> presenter) {
        framePresenter_ = std::move(presenter);
    }

signals:
    void StatusTextChange(const QString& Text);
    void BeforeNavigate2(QObject* pDisp, QVariant& URL, QVariant& Flags, QVariant& TargetFrameName,
                         QVariant& PostData, QVariant& Headers, bool& Cancel);
    void NewWindow2(QObject*& ppDisp, bool& Cancel);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class HtmlDocument;
    struct Click {
        QString url;
        QString target;
    };

    // Raises the navigation events; returns whether the navigation goes ahead.
    bool AllowNavigation(const QString& url, const QString& target);
    // Loads `url` on a later turn of the event loop, unless something else is shown first.
    void ScheduleLoad(const QString& url);
    void Load(const QString& url);
    // Delivers a document event with `current` as the event under way.
    void RaiseDocumentEvent(HtmlEvent& current, const std::function<void()>& raise);
    void ShowHtml(const QString& html, const QString& baseFolder);
    void Relayout();
    // Repaints the whole view for a change other than a picture's frame.
    void RepaintAll();
    void RepaintDocumentRects(const QList<QRect>& rects);
    QPoint DocumentPoint(const QPoint& viewportPoint) const;
    QString LinkAt(const QPoint& viewportPoint) const;
    bool TextAt(const QPoint& viewportPoint) const;
    void SetStatusText(const QString& text);
    bool RaiseKeyDown(int& keyCode);
    void DefaultKeyAction(int keyCode);
    QString Resolve(const QString& href) const;

    std::unique_ptr<PageContainer> container_;
    std::shared_ptr<litehtml::document> page_;
    HtmlDocument* document_;
    bool documentReady_ = false;
    bool silent_ = false;
    bool scrollingAllowed_ = true;
    QString baseFolder_;
    QString statusText_;
    std::optional<Click> click_;
    QPoint pressPoint_;
    bool pressOnText_ = false;
    bool selectStartRaised_ = false;
    int navigationSerial_ = 0;
    quint64 displaySerial_ = 0;
    std::function<bool()> framePresenter_;
};

} // namespace platform::browser
