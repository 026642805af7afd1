#pragma once

#include <QtGlobal>
#include <cstdint>

// The native window calls the windows make, with their desktop signatures and constants,
// carried out with what this platform offers. Window handles are the windows' native ids
// (QWidget::winId); a handle that names no window of the program does nothing.
namespace platform {

using HWND = quintptr;
using LPCSTR = const char*;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using COLORREF = std::uint32_t; // &H00BBGGRR&
using BYTE = std::uint8_t;
using BOOL = int;

constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);
constexpr HWND HWND_NOTOPMOST = static_cast<HWND>(-2);
constexpr unsigned SWP_NOSIZE = 0x0001;
constexpr unsigned SWP_NOMOVE = 0x0002;
constexpr unsigned SWP_NOACTIVATE = 0x0010;
constexpr int GWL_EXSTYLE = -20;
constexpr LONG WS_EX_TOPMOST = 0x00000008;
constexpr LONG WS_EX_TOOLWINDOW = 0x00000080;
constexpr LONG WS_EX_LAYERED = 0x00080000;
constexpr DWORD LWA_COLORKEY = 0x00000001;
constexpr DWORD LWA_ALPHA = 0x00000002;
constexpr int SW_SHOWNORMAL = 1;

// Top-most or not, placed and sized unless told otherwise, shown without being activated
// with SWP_NOACTIVATE.
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, unsigned uFlags);

// The extended style: read back as last set, with the bits the window has by itself
// (tool window, top-most) kept.
LONG GetWindowLongA(HWND hWnd, int nIndex);
LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong);

// On a layered window with LWA_COLORKEY: every pixel of exactly crKey is neither drawn nor
// takes the mouse. Alpha blending (LWA_ALPHA) is not offered; bAlpha has no effect.
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags);

// Hands `lpFile` to the desktop's default handler for it (a web address to the browser),
// in the working folder `lpDirectory`. Returns at once; the result, as on the desktop, is
// above 32 when the request was handed on.
quintptr ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                       LPCSTR lpDirectory, int nShowCmd);

} // namespace platform
