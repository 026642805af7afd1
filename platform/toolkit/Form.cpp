#include "Form.h"

#include "FrameHints.h"
#include "Pointer.h"

#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

int ToPixels(double units, double unitsPerPixel) {
    return static_cast<int>(std::lround(units / unitsPerPixel));
}

} // namespace

Form::Form(ScaleMode scale, StartUpPosition position)
    : QWidget(nullptr)
    , startUpPosition_(position) {
    SetScaleMode(this, scale);
}

Form::~Form() {
    // A busy pointer does not outlive its window.
    SetMousePointer(vbDefault);
}

void Form::SetFixedDialogFrame() {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    fixedDialogFrame_ = true;
}

void Form::SetClientArea(QWidget* client) {
    client_ = client;
}

void Form::PlaceOnFirstShow() {
    if (placed_)
        return;
    placed_ = true;
    // The screen the user is looking at: where the mouse pointer is.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    if (fixedDialogFrame_ && (windowState() & Qt::WindowMaximized)) {
        setScreen(screen);
        workArea_ = screen->availableGeometry();
        setGeometry(workArea_);
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    if (startUpPosition_ != StartUpPosition::CenterScreen &&
        startUpPosition_ != StartUpPosition::CenterOwner)
        return;
    // Centre the size the window is first shown with, which a layout settles only now.
    if (layout())
        layout()->activate();
    const QRect area = screen->geometry();
    const QSize size = frameGeometry().size();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 2);
}

void Form::Show(int style) {
    PlaceOnFirstShow();
    if (style != vbModal) {
        show();
        return;
    }
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    QPointer<Form> self(this);
    QEventLoop loop;
    connect(this, &Form::Hidden, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
    if (self)
        self->setWindowModality(Qt::NonModal);
}

void Form::Hide() {
    hide();
}

void Form::SetVisible(bool visible) {
    if (visible)
        Show();
    else
        Hide();
}

int Form::WindowState() const {
    if (windowState() & Qt::WindowMinimized)
        return vbMinimized;
    if (windowState() & Qt::WindowMaximized)
        return vbMaximized;
    return vbNormal;
}

double Form::Width() const {
    return frameGeometry().width() * TwipsPerPixelX();
}
double Form::Height() const {
    return frameGeometry().height() * TwipsPerPixelY();
}

void Form::SetWidth(double twips) {
    const int frame = frameGeometry().width() - width();
    resize(std::max(1, ToPixels(twips, TwipsPerPixelX()) - frame), height());
}

void Form::SetHeight(double twips) {
    const int frame = frameGeometry().height() - height();
    resize(width(), std::max(1, ToPixels(twips, TwipsPerPixelY()) - frame));
}

double Form::ScaleWidth() const {
    return ScaleModeOf(this) == ScaleMode::Twips ? client_->width() * TwipsPerPixelX()
                                                 : client_->width();
}

double Form::ScaleHeight() const {
    return ScaleModeOf(this) == ScaleMode::Twips ? client_->height() * TwipsPerPixelY()
                                                 : client_->height();
}

WId Form::hWnd() {
    return winId();
}

void Form::PopupMenu(QMenu* menu, int flags) {
    // Qt's menus take either button; the flag is kept for the callers' sake.
    Q_UNUSED(flags)
    if (menu)
        menu->exec(PointerPosition());
}

void Form::Unload() {
    if (unloading_)
        return;
    short cancel = 0;
    Form_Unload(cancel);
    if (cancel)
        return;
    unloading_ = true;
    ForgetInstance();
    hide();
    deleteLater();
}

void Form::closeEvent(QCloseEvent* event) {
    // Closing from outside (frame, task bar, window system) unloads, as the program's own
    // Unload does; the window goes away only through Unload.
    event->ignore();
    Unload();
}

void Form::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    CoverWorkArea();
}

void Form::CoverWorkArea() {
    // The window manager's frame becomes known only after the window is mapped, with a
    // move or resize of the window inside it.
    const QWindow* window = windowHandle();
    if (workArea_.isNull() || !window || !isVisible())
        return;
    const QMargins margins = window->frameMargins();
    if (margins == fittedMargins_)
        return;
    fittedMargins_ = margins;
    if (frameGeometry() != workArea_)
        setGeometry(workArea_.marginsRemoved(margins));
}

void Form::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Qt has just written its own frame hints for the new native window.
    if (fixedDialogFrame_ && !event->spontaneous())
        SetMoveAndCloseOnly(this);
}

void Form::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    CoverWorkArea();
    Form_Resize();
}

void Form::SetMousePointer(int pointer) {
    if (pointer == mousePointer_)
        return;
    // An application-wide override, so that the busy pointer also shows over controls with
    // pointers of their own; the window's own pointer is only for the time it is in use.
    if (mousePointer_ == vbHourglass)
        QGuiApplication::restoreOverrideCursor();
    mousePointer_ = pointer;
    if (pointer == vbHourglass)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void Form::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        emit Hidden();
}

void ScaleDesignToScreen(QWidget* container) {
    // Designs are drawn at 15 twips to the pixel.
    const double x = 15.0 / TwipsPerPixelX(), y = 15.0 / TwipsPerPixelY();
    if (x == 1.0 && y == 1.0)
        return;
    const auto scaledX = [x](int v) { return static_cast<int>(std::lround(v * x)); };
    const auto scaledY = [y](int v) { return static_cast<int>(std::lround(v * y)); };
    const auto scaled = [&](QSize s) { return QSize(scaledX(s.width()), scaledY(s.height())); };
    for (QWidget* control : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow())
            continue;
        const QRect r = control->geometry();
        control->setGeometry(scaledX(r.x()), scaledY(r.y()), scaledX(r.width()),
                             scaledY(r.height()));
    }
    if (container->minimumSize() == container->maximumSize())
        container->setFixedSize(scaled(container->minimumSize()));
    else
        container->resize(scaled(container->size()));
}

void Move(QWidget* control, double left, double top, double width, double height) {
    const double ux = UnitsPerPixelX(control);
    const double uy = UnitsPerPixelY(control);
    control->setGeometry(ToPixels(left, ux), ToPixels(top, uy), std::max(0, ToPixels(width, ux)),
                         std::max(0, ToPixels(height, uy)));
}

} // namespace platform
