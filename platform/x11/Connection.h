#pragma once

#include <QRegion>
#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

class QWindow;

// What the program asks of the X server directly, on the toolkit's own connection.
namespace platform::x11 {

// The toolkit's X connection; null on other platforms (the offscreen one may offer the
// interface without a connection behind it).
xcb_connection_t* Connection();

// An xcb reply, freed when it goes.
template <class Reply> std::unique_ptr<Reply, decltype(&std::free)> Own(Reply* reply) {
    return {reply, &std::free};
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name);

// The X screen the program's windows are made on (DISPLAY's), and its number.
xcb_screen_t* DefaultScreen(xcb_connection_t* connection, int* number = nullptr);

// The region as X rectangles.
std::vector<xcb_rectangle_t> Rectangles(const QRegion& region);

// The colour depth of the native window (32 for one with an alpha channel), 0 unknown.
int Depth(QWindow* window);

// The part of the window that takes the mouse: `region` (in the window's own pixels), or with
// no region, its outline.
void SetInputShape(QWindow* window, const QRegion& region);
void ResetInputShape(QWindow* window);
// Takes `region` out of the part of the window that takes the mouse.
void SubtractFromInputShape(QWindow* window, const QRegion& region);

} // namespace platform::x11
