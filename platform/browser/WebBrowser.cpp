#include "WebBrowser.h"

#include "PageContainer.h"
#include "PageText.h"
#include "Presentational.h"
#include "platform/toolkit/TextBox.h"
#include "platform/toolkit/VirtualKey.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>

namespace platform::browser {

namespace {

constexpr int EdgeWidth = 2;
constexpr int LineStep = 40;

litehtml::context& EngineContext() {
    static litehtml::context context;
    static const bool loaded = [] {
        const QByteArray css = ResourceText(QStringLiteral(":/browser/useragent.css")).toUtf8();
        context.load_master_stylesheet(css.constData());
        return true;
    }();
    Q_UNUSED(loaded)
    return context;
}

bool HasScheme(const QString& address) {
    const int colon = address.indexOf(QLatin1Char(':'));
    if (colon < 2) // "C:" is a drive, not a scheme
        return false;
    for (int i = 0; i < colon; ++i)
        if (!address[i].isLetterOrNumber() && address[i] != QLatin1Char('+') &&
            address[i] != QLatin1Char('-') && address[i] != QLatin1Char('.'))
            return false;
    return true;
}

litehtml::element::ptr LinkElement(litehtml::element::ptr el) {
    for (; el; el = el->parent()) {
        const char* tag = el->get_tagName();
        if (tag && litehtml::t_strcasecmp(tag, "a") == 0 && el->get_attr("href"))
            return el;
    }
    return nullptr;
}

} // namespace

WebBrowser::WebBrowser(QWidget* parent)
    : QAbstractScrollArea(parent)
    , container_(std::make_unique<PageContainer>())
    , document_(new HtmlDocument(this)) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(EdgeWidth);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setSingleStep(LineStep);
    verticalScrollBar()->setSingleStep(LineStep);

    container_->CursorChanged = [this](Qt::CursorShape shape) { viewport()->setCursor(shape); };
    container_->AnchorClicked = [this](const QString& url, const litehtml::element::ptr& anchor) {
        // Only noted here: litehtml is inside its click handling, and what the handlers of
        // the navigation events do must wait until it has returned.
        const char* target = anchor ? anchor->get_attr("target") : nullptr;
        click_ = Click{url, QString::fromUtf8(target ? target : "")};
    };
    container_->PictureChanged = [this](const QList<QRect>& rects) { RepaintDocumentRects(rects); };
}

WebBrowser::~WebBrowser() {
    // The document calls back into the container while it is destroyed.
    page_.reset();
}

void WebBrowser::Navigate2(const QString& url) {
    if (AllowNavigation(url, QString()))
        ScheduleLoad(url);
}

void WebBrowser::ScheduleLoad(const QString& url) {
    const int serial = ++navigationSerial_;
    QTimer::singleShot(0, this, [this, serial, url] {
        // A later navigation or rewrite takes the place of this one.
        if (navigationSerial_ == serial)
            Load(url);
    });
}

void WebBrowser::RaiseDocumentEvent(HtmlEvent& current, const std::function<void()>& raise) {
    QPointer<WebBrowser> self(this);
    HtmlWindow* window = document_->parentWindow();
    window->event_ = &current;
    raise();
    if (self)
        window->event_ = nullptr;
}

bool WebBrowser::AllowNavigation(const QString& url, const QString& target) {
    QPointer<WebBrowser> self(this);
    if (!target.isEmpty() && target.compare(QLatin1String("_self"), Qt::CaseInsensitive) != 0) {
        QObject* newWindow = nullptr;
        bool cancel = false;
        emit NewWindow2(newWindow, cancel);
        if (!self || cancel)
            return false;
    }
    QVariant address(url), flags(0), frame(target), postData, headers;
    bool cancel = false;
    emit BeforeNavigate2(document_, address, flags, frame, postData, headers, cancel);
    return self && !cancel;
}

void WebBrowser::Load(const QString& url) {
    if (url.startsWith(QLatin1String("about:"), Qt::CaseInsensitive)) {
        const QString html = url.mid(6);
        ShowHtml(html.compare(QLatin1String("blank"), Qt::CaseInsensitive) == 0 ? QString() : html,
                 QString());
        return;
    }
    const QString path =
        HasScheme(url) && !url.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
            ? QString()
            : container_->LocalPath(url);
    QString html;
    if (!path.isEmpty() && ReadPageFile(path, html)) {
        ShowHtml(html, QFileInfo(path).path() + QLatin1Char('/'));
        return;
    }
    ShowHtml(CannotShowPage(url), QString());
}

void WebBrowser::ShowHtml(const QString& html, const QString& baseFolder) {
    // Whatever was pending is replaced by what is shown now.
    ++navigationSerial_;
    click_.reset();
    page_.reset();
    container_->Reset();
    baseFolder_ = baseFolder;
    container_->SetBaseFolder(baseFolder);
    container_->SetViewportSize(viewport()->size());

    QByteArray text = EngineText(html);
    if (NestingDepth(text) > MaxNestingDepth)
        text = EngineText(TooComplexPage());
    litehtml::context& context = EngineContext();
    page_ = litehtml::document::createFromUTF8(text.constData(), container_.get(), &context);
    // Body link colours need rules of their own; the page is built once more with them.
    if (const std::string rules = LinkColourRules(page_ ? page_->root() : nullptr);
        !rules.empty()) {
        litehtml::css linkStyles;
        linkStyles.parse_stylesheet(rules.c_str(), nullptr, page_, nullptr);
        linkStyles.sort_selectors();
        page_.reset();
        container_->Reset();
        page_ = litehtml::document::createFromUTF8(text.constData(), container_.get(), &context,
                                                   &linkStyles);
    }
    const litehtml::element::ptr body =
        page_ && page_->root() ? page_->root()->select_one("body") : nullptr;
    const char* scroll = body ? body->get_attr("scroll") : nullptr;
    scrollingAllowed_ = !(scroll && litehtml::t_strcasecmp(scroll, "no") == 0);

    documentReady_ = true;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    Relayout();
    SetStatusText(QString());
    RepaintAll();
}

void WebBrowser::RepaintAll() {
    ++displaySerial_;
    viewport()->update();
}

QStringList WebBrowser::MissingPictures() const {
    return container_->MissingPictures();
}

size_t WebBrowser::DisplayStamp() const {
    return qHashMulti(0, displaySerial_, container_->FramesStamp());
}

void WebBrowser::Relayout() {
    ++displaySerial_;
    if (!page_)
        return;
    // Scroll bars are decided here rather than by the scroll area: a bar that appears
    // narrows the page, which may then need no bar, and the area would go back and forth.
    // The whole inside of the frame: the area's own maximumViewportSize() already leaves
    // out a bar that the last layout turned on, which would take it off twice.
    const QSize full = contentsRect().size();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    QSize view = full;
    container_->SetViewportSize(view);
    page_->render(view.width());
    bool vertical = false, horizontal = false;
    if (scrollingAllowed_) {
        vertical = page_->height() > view.height();
        if (vertical) {
            view.rwidth() -= barWidth;
            container_->SetViewportSize(view);
            page_->render(view.width());
        }
        horizontal = page_->width() > view.width();
        if (horizontal) {
            view.rheight() -= barHeight;
            if (!vertical && page_->height() > view.height()) {
                vertical = true;
                view.rwidth() -= barWidth;
                container_->SetViewportSize(view);
                page_->render(view.width());
            }
        }
    }
    container_->SetViewportSize(view);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setRange(0, vertical ? std::max(0, page_->height() - view.height()) : 0);
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setRange(0, horizontal ? std::max(0, page_->width() - view.width()) : 0);
    horizontalScrollBar()->setPageStep(view.width());
}

void WebBrowser::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
}

void WebBrowser::scrollContentsBy(int, int) {
    RepaintAll();
}

QPoint WebBrowser::DocumentPoint(const QPoint& viewportPoint) const {
    return viewportPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void WebBrowser::RepaintDocumentRects(const QList<QRect>& rects) {
    if (framePresenter_ && framePresenter_())
        return;
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    for (const QRect& r : rects)
        viewport()->update(r.translated(-scroll));
}

void WebBrowser::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    if (page_) {
        const QPoint origin(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
        const QRect r = event->rect();
        const litehtml::position clip(r.x(), r.y(), r.width(), r.height());
        container_->BeginPaint(&painter, origin);
        page_->draw(reinterpret_cast<litehtml::uint_ptr>(&painter), origin.x(), origin.y(), &clip);
        container_->EndPaint();
    }
}

QString WebBrowser::Resolve(const QString& href) const {
    if (href.isEmpty() || HasScheme(href) || baseFolder_.isEmpty())
        return href;
    return QUrl::fromLocalFile(container_->LocalPath(href)).toString();
}

QString WebBrowser::LinkAt(const QPoint& viewportPoint) const {
    if (!page_ || !page_->root())
        return {};
    const QPoint p = DocumentPoint(viewportPoint);
    const litehtml::element::ptr link = LinkElement(
        page_->root()->get_element_by_point(p.x(), p.y(), viewportPoint.x(), viewportPoint.y()));
    return link ? Resolve(QString::fromUtf8(link->get_attr("href"))) : QString();
}

bool WebBrowser::TextAt(const QPoint& viewportPoint) const {
    if (!page_ || !page_->root())
        return false;
    const QPoint p = DocumentPoint(viewportPoint);
    const litehtml::element::ptr el =
        page_->root()->get_element_by_point(p.x(), p.y(), viewportPoint.x(), viewportPoint.y());
    if (!el || el->is_body() || !el->have_parent())
        return false;
    const char* tag = el->get_tagName();
    return !(tag && litehtml::t_strcasecmp(tag, "img") == 0);
}

void WebBrowser::SetStatusText(const QString& text) {
    if (text == statusText_)
        return;
    statusText_ = text;
    emit StatusTextChange(text);
}

void WebBrowser::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (page_) {
        const QPoint p = DocumentPoint(pos);
        litehtml::position::vector redraw;
        if (page_->on_mouse_over(p.x(), p.y(), pos.x(), pos.y(), redraw))
            RepaintAll();
    }
    QPointer<WebBrowser> self(this);
    SetStatusText(LinkAt(pos));
    if (!self)
        return;
    if ((event->buttons() & Qt::LeftButton) && pressOnText_ && !selectStartRaised_ &&
        (pos - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        selectStartRaised_ = true;
        bool result = true;
        HtmlEvent current;
        // There is no selection to make, whatever the answer.
        RaiseDocumentEvent(current, [&] { emit document_->onselectstart(result); });
    }
}

void WebBrowser::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || !page_)
        return;
    const QPoint pos = event->position().toPoint();
    const QPoint p = DocumentPoint(pos);
    // A press on a link reports it, even when the pointer has not moved since a click.
    QPointer<WebBrowser> self(this);
    SetStatusText(LinkAt(pos));
    if (!self)
        return;
    pressPoint_ = pos;
    pressOnText_ = TextAt(pos);
    selectStartRaised_ = false;
    litehtml::position::vector redraw;
    if (page_->on_lbutton_down(p.x(), p.y(), pos.x(), pos.y(), redraw))
        RepaintAll();
}

void WebBrowser::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !page_)
        return;
    pressOnText_ = false;
    const QPoint pos = event->position().toPoint();
    const QPoint p = DocumentPoint(pos);
    click_.reset();
    litehtml::position::vector redraw;
    if (page_->on_lbutton_up(p.x(), p.y(), pos.x(), pos.y(), redraw))
        RepaintAll();
    // litehtml has returned: now the click may lead anywhere, even to this view's end.
    if (const std::optional<Click> click = std::exchange(click_, std::nullopt)) {
        // The click uses up the report of its link: the next press or move reports it anew.
        statusText_.clear();
        const QString url = Resolve(click->url);
        if (AllowNavigation(url, click->target))
            ScheduleLoad(url);
    }
}

void WebBrowser::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (page_) {
        litehtml::position::vector redraw;
        if (page_->on_mouse_leave(redraw))
            RepaintAll();
    }
    SetStatusText(QString());
}

void WebBrowser::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    bool result = true;
    HtmlEvent current;
    // The control has no context menu of its own, whatever the answer.
    RaiseDocumentEvent(current, [&] { emit document_->oncontextmenu(result); });
}

bool WebBrowser::RaiseKeyDown(int& keyCode) {
    HtmlEvent current;
    current.keyCode = keyCode;
    QPointer<WebBrowser> self(this);
    RaiseDocumentEvent(current, [&] { emit document_->onkeydown(); });
    if (!self)
        return false;
    keyCode = current.keyCode;
    return current.keyCode != 0 && current.returnValue;
}

void WebBrowser::keyPressEvent(QKeyEvent* event) {
    event->accept();
    int keyCode = VirtualKeyCode(*event);
    if (RaiseKeyDown(keyCode))
        DefaultKeyAction(keyCode);
}

bool WebBrowser::event(QEvent* event) {
    // Tab goes to the page like every other key instead of moving the focus.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void WebBrowser::DefaultKeyAction(int keyCode) {
    // Up and down are the only keys a view of the program lets through (the catalogue panel
    // scrolls with them); every other key is taken away by the views.
    if (keyCode == vbKeyUp)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (keyCode == vbKeyDown)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

} // namespace platform::browser
