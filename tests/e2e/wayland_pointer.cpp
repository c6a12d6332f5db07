// A mouse for the end-to-end tests under a wlroots compositor, where no command-line tool
// sends pointer events: a virtual pointer on the seat, which waits WAIT milliseconds (for
// the seat's clients to notice the new device), then clicks the left button, or moves ten
// pixels every millisecond for 300 ms (a fast 1000 Hz mouse), or turns the wheel 40 times a
// millisecond apart, and ends once the compositor has had it all.
//   wayland-pointer WAIT [click|move|wheel]
#include <linux/input-event-codes.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "virtual-pointer-client.h"

namespace {
wl_seat* Seat = nullptr;
zwlr_virtual_pointer_manager_v1* Manager = nullptr;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && Seat == nullptr)
        Seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        Manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener RegistryListener{OnGlobal, OnGlobalRemove};

uint32_t Milliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1'000'000);
}

} // namespace

int main(int argc, char** argv) {
    const char* gesture = argc == 3 ? argv[2] : "click";
    const bool known = std::strcmp(gesture, "click") == 0 || std::strcmp(gesture, "move") == 0 ||
                       std::strcmp(gesture, "wheel") == 0;
    wl_display* display = (argc == 2 || argc == 3) && known ? wl_display_connect(nullptr) : nullptr;
    if (display != nullptr) {
        wl_registry_add_listener(wl_display_get_registry(display), &RegistryListener, nullptr);
        wl_display_roundtrip(display);
    }
    if (Manager == nullptr) {
        std::fputs("usage: wayland-pointer WAIT [click|move|wheel], under a compositor with "
                   "virtual pointers\n",
                   stderr);
        return 2;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(Manager, Seat);
    wl_display_roundtrip(display);
    usleep(static_cast<useconds_t>(std::atoi(argv[1])) * 1000);
    if (std::strcmp(gesture, "click") == 0) {
        zwlr_virtual_pointer_v1_button(pointer, Milliseconds(), BTN_LEFT, 1);
        zwlr_virtual_pointer_v1_frame(pointer);
        zwlr_virtual_pointer_v1_button(pointer, Milliseconds(), BTN_LEFT, 0);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    const bool moving = std::strcmp(gesture, "move") == 0;
    for (int step = 0; step < (moving                               ? 300
                               : std::strcmp(gesture, "wheel") == 0 ? 40
                                                                    : 0);
         ++step) {
        if (moving)
            zwlr_virtual_pointer_v1_motion(pointer, Milliseconds(), wl_fixed_from_int(10), 0);
        else
            zwlr_virtual_pointer_v1_axis(pointer, Milliseconds(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                         wl_fixed_from_int(10));
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_flush(display);
        usleep(1000);
    }
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
