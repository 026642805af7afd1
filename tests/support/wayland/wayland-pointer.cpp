// Moves the Wayland compositor's own pointer and clicks with it, as a hand on a mouse would:
// the click goes through the compositor's input routing, which XTest's clicks, kept inside
// XWayland, never do.
//   wayland-pointer X Y [click]
// X, Y on the compositor's screen of 1280 × 1024. The pointer comes onto the place from a few
// pixels away (a compositor may hand a press to where the pointer was before a single jump).
// Uses the wlroots virtual pointer (sway) or KWin's fake input.
#include "fake-input-client.h"
#include "virtual-pointer-client.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/input-event-codes.h>
#include <thread>
#include <wayland-client.h>

namespace {

constexpr std::uint32_t Width = 1280, Height = 1024;

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* virtualPointers = nullptr;
    org_kde_kwin_fake_input* fakeInput = nullptr;
};

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t version) {
    auto* globals = static_cast<Globals*>(data);
    if (!std::strcmp(interface, wl_seat_interface.name) && !globals->seat)
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (!std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        globals->virtualPointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (!std::strcmp(interface, org_kde_kwin_fake_input_interface.name) && version >= 3)
        globals->fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 3));
}
void GlobalGone(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener RegistryListener{Global, GlobalGone};

std::uint32_t Now() {
    using namespace std::chrono;
    return std::uint32_t(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wayland-pointer X Y [click]\n");
        return 2;
    }
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
    const bool click = argc > 3 && !std::strcmp(argv[3], "click");
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "wayland-pointer: no Wayland compositor\n");
        return 1;
    }
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &RegistryListener, &globals);
    wl_display_roundtrip(display);

    zwlr_virtual_pointer_v1* pointer = nullptr;
    if (globals.virtualPointers)
        pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.virtualPointers,
                                                                         globals.seat);
    else if (globals.fakeInput)
        org_kde_kwin_fake_input_authenticate(globals.fakeInput, "lumivast tests", "clicks");
    else {
        std::fprintf(stderr, "wayland-pointer: the compositor offers no way to move its pointer\n");
        return 1;
    }
    const auto moveTo = [&](int px, int py) {
        if (pointer) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, Now(), std::uint32_t(px),
                                                    std::uint32_t(py), Width, Height);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else {
            org_kde_kwin_fake_input_pointer_motion_absolute(
                globals.fakeInput, wl_fixed_from_int(px), wl_fixed_from_int(py));
        }
        wl_display_roundtrip(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    };
    const auto button = [&](bool pressed) {
        if (pointer) {
            zwlr_virtual_pointer_v1_button(pointer, Now(), BTN_LEFT,
                                           pressed ? WL_POINTER_BUTTON_STATE_PRESSED
                                                   : WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else {
            org_kde_kwin_fake_input_button(globals.fakeInput, BTN_LEFT,
                                           pressed ? WL_POINTER_BUTTON_STATE_PRESSED
                                                   : WL_POINTER_BUTTON_STATE_RELEASED);
        }
        wl_display_roundtrip(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    };
    for (int step = 4; step >= 0; --step)
        moveTo(x - step, y - step);
    if (click) {
        button(true);
        button(false);
    }
    wl_display_disconnect(display);
    return 0;
}
