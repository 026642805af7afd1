#include "Declare.h"

#include "ColourKey.h"
#include "toolkit/Shell.h"
#include "x11/KeepAbove.h"

#include <QString>
#include <QVariant>
#include <QWidget>

namespace platform {

namespace {

constexpr char ExStyleProperty[] = "lumivastExStyle";

QWidget* WindowOf(HWND hWnd) {
    QWidget* widget = QWidget::find(static_cast<WId>(hWnd));
    return widget && widget->isWindow() ? widget : nullptr;
}

LONG OwnExStyle(const QWidget* window) {
    LONG style = 0;
    if ((window->windowFlags() & Qt::WindowType_Mask) == Qt::Tool)
        style |= WS_EX_TOOLWINDOW;
    if (window->windowFlags() & Qt::WindowStaysOnTopHint)
        style |= WS_EX_TOPMOST;
    return style;
}

} // namespace

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, unsigned uFlags) {
    QWidget* window = WindowOf(hWnd);
    if (!window)
        return 0;
    if (uFlags & SWP_NOACTIVATE)
        window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    if (hWndInsertAfter == HWND_TOPMOST || hWndInsertAfter == HWND_NOTOPMOST) {
        const bool topMost = hWndInsertAfter == HWND_TOPMOST;
        // Changing flags hides a shown window; it is shown again as it was.
        const bool shown = window->isVisible();
        if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != topMost)
            window->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
        // A window without a frame has nothing to lose by keeping itself above on X11, and
        // no window manager or compositor then frames, shadows or moves it.
        if (topMost && window->windowFlags().testFlag(Qt::FramelessWindowHint))
            x11::KeepAbove::Start(window);
        if (shown && !window->isVisible())
            window->show();
        if (window->isVisible())
            window->raise();
    }
    if (!(uFlags & SWP_NOMOVE))
        window->move(X, Y);
    if (!(uFlags & SWP_NOSIZE))
        window->resize(cx, cy);
    return 1;
}

LONG GetWindowLongA(HWND hWnd, int nIndex) {
    const QWidget* window = WindowOf(hWnd);
    if (!window || nIndex != GWL_EXSTYLE)
        return 0;
    return window->property(ExStyleProperty).toInt() | OwnExStyle(window);
}

LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    QWidget* window = WindowOf(hWnd);
    if (!window || nIndex != GWL_EXSTYLE)
        return 0;
    const LONG previous = GetWindowLongA(hWnd, nIndex);
    window->setProperty(ExStyleProperty, static_cast<int>(dwNewLong));
    return previous;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags) {
    Q_UNUSED(bAlpha)
    QWidget* window = WindowOf(hwnd);
    if (!window || !(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED))
        return 0;
    if (dwFlags & LWA_COLORKEY) {
        // COLORREF is 0x00BBGGRR.
        const QRgb key = qRgb(crKey & 0xff, (crKey >> 8) & 0xff, (crKey >> 16) & 0xff);
        ColourKey::Install(window, key);
    }
    return 1;
}

quintptr ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                       LPCSTR lpDirectory, int nShowCmd) {
    ShellRequest request;
    request.window = hwnd;
    request.operation = QString::fromLocal8Bit(lpOperation);
    request.file = QString::fromLocal8Bit(lpFile);
    request.parameters = lpParameters ? QString::fromLocal8Bit(lpParameters) : QString();
    request.directory = QString::fromLocal8Bit(lpDirectory);
    request.showCommand = nShowCmd;
    RunShell(request);
    return 42;
}

} // namespace platform
