// Moves the Wayland compositor's own pointer and clicks with it, as a hand on a mouse would:
// the click goes through the compositor's input routing, which XTest's clicks, kept inside
// XWayland, never do. Or types a key, to whichever surface the compositor gives the keyboard.
//   wayland-input X Y [click]
//   wayland-input key
// X, Y on the compositor's screen of 1280 × 1024. The pointer comes onto the place from a few
// pixels away (a compositor may hand a press to where the pointer was before a single jump).
// Uses the wlroots virtual pointer and keyboard (sway) or KWin's fake input (no keys: KWin
// keeps the keyboard from a layer surface whatever it asks).
#include "fake-input-client.h"
#include "virtual-keyboard-client.h"
#include "virtual-pointer-client.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* virtualPointers = nullptr;
    zwp_virtual_keyboard_manager_v1* virtualKeyboards = nullptr;
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
    else if (!std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name))
        globals->virtualKeyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
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

// A wlroots virtual keyboard types "a": it needs a keymap of its own first.
bool TypeVirtually(wl_display* display, const Globals& globals) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = context ? xkb_keymap_new_from_names(context, &names, {}) : nullptr;
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    const int file = memfd_create("keymap", MFD_CLOEXEC);
    const std::size_t size = text ? std::strlen(text) + 1 : 0;
    const bool written = text && file >= 0 && write(file, text, size) == ssize_t(size);
    if (written) {
        zwp_virtual_keyboard_v1* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
            globals.virtualKeyboards, globals.seat);
        zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file,
                                       std::uint32_t(size));
        wl_display_roundtrip(display);
        for (const std::uint32_t state : {1u, 0u}) {
            zwp_virtual_keyboard_v1_key(keyboard, Now(), KEY_A, state);
            wl_display_roundtrip(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    }
    if (file >= 0)
        close(file);
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return written;
}

} // namespace

int main(int argc, char** argv) {
    const bool key = argc == 2 && !std::strcmp(argv[1], "key");
    if (argc < 3 && !key) {
        std::fprintf(stderr, "usage: wayland-input X Y [click]\n       wayland-input key\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "wayland-input: no Wayland compositor\n");
        return 1;
    }
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &RegistryListener, &globals);
    wl_display_roundtrip(display);
    if (key) {
        const bool typed = globals.virtualKeyboards && TypeVirtually(display, globals);
        wl_display_disconnect(display);
        return typed ? 0 : 1;
    }
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
    const bool click = argc > 3 && !std::strcmp(argv[3], "click");

    zwlr_virtual_pointer_v1* pointer = nullptr;
    if (globals.virtualPointers)
        pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.virtualPointers,
                                                                         globals.seat);
    else if (globals.fakeInput)
        org_kde_kwin_fake_input_authenticate(globals.fakeInput, "lumivast tests", "clicks");
    else {
        std::fprintf(stderr, "wayland-input: the compositor offers no way to move its pointer\n");
        return 1;
    }
    // Absolute motion spans the desktop's outputs (LUMIVAST_DESKTOP_SIZE, else one screen).
    std::uint32_t width = 1280, height = 1024;
    if (const char* size = std::getenv("LUMIVAST_DESKTOP_SIZE"))
        std::sscanf(size, "%ux%u", &width, &height);
    const auto moveTo = [&](int px, int py) {
        if (pointer) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, Now(), std::uint32_t(px),
                                                    std::uint32_t(py), width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else {
            org_kde_kwin_fake_input_pointer_motion_absolute(
                globals.fakeInput, wl_fixed_from_int(px), wl_fixed_from_int(py));
        }
        wl_display_roundtrip(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    };
    const auto button = [&](std::uint32_t state) {
        if (pointer) {
            zwlr_virtual_pointer_v1_button(pointer, Now(), BTN_LEFT, state);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else {
            org_kde_kwin_fake_input_button(globals.fakeInput, BTN_LEFT, state);
        }
        wl_display_roundtrip(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    };
    for (int step = 4; step >= 0; --step)
        moveTo(x - step, y - step);
    if (click) {
        button(WL_POINTER_BUTTON_STATE_PRESSED);
        button(WL_POINTER_BUTTON_STATE_RELEASED);
    }
    wl_display_disconnect(display);
    return 0;
}
