// A mouse for the end-to-end tests under a wlroots compositor, where no command-line tool
// sends pointer events: it makes a virtual pointer on the seat and plays the actions given.
//   wayland-pointer ACTION...
//     wait MS             let the seat and its clients notice the new device first
//     to X Y WIDTH HEIGHT move to (X, Y) of a layout WIDTH x HEIGHT
//     by DX DY            move by a distance
//     click               press and release the left button
//     wheel               one notch of the wheel
//     gone PID            wait until process PID ends (or is a zombie) and print
//                         "gone after N ms", counted from when the compositor had the
//                         action before (at most 5 s)
#include <linux/input-event-codes.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

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

bool HasEnded(const std::string& pid) {
    std::ifstream status("/proc/" + pid + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("State:")) return line.find('Z') != std::string::npos;
    return true; // gone
}

int Usage() {
    std::fputs("usage: wayland-pointer [wait MS | to X Y WIDTH HEIGHT | by DX DY | click | "
               "wheel | gone PID]...\n",
               stderr);
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fputs("wayland-pointer: cannot connect to the compositor\n", stderr);
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (Manager == nullptr) {
        std::fputs("wayland-pointer: the compositor has no virtual pointers\n", stderr);
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(Manager, Seat);
    wl_display_roundtrip(display);
    uint32_t handled = Milliseconds(); // when the compositor had the last action
    for (int i = 1; i < argc; ++i) {
        const std::string action = argv[i];
        auto number = [&](int at) { return static_cast<uint32_t>(std::atoi(argv[i + at])); };
        if (action == "wait" && i + 1 < argc) {
            usleep(number(1) * 1000);
            i += 1;
            continue;
        }
        if (action == "gone" && i + 1 < argc) {
            const std::string pid = argv[++i];
            while (!HasEnded(pid) && Milliseconds() - handled < 5000)
                usleep(1000);
            if (!HasEnded(pid)) return 1;
            std::printf("gone after %u ms\n", Milliseconds() - handled);
            continue;
        }
        if (action == "to" && i + 4 < argc) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, Milliseconds(), number(1), number(2),
                                                    number(3), number(4));
            i += 4;
        } else if (action == "by" && i + 2 < argc) {
            zwlr_virtual_pointer_v1_motion(pointer, Milliseconds(),
                                           wl_fixed_from_int(std::atoi(argv[i + 1])),
                                           wl_fixed_from_int(std::atoi(argv[i + 2])));
            i += 2;
        } else if (action == "click") {
            zwlr_virtual_pointer_v1_button(pointer, Milliseconds(), BTN_LEFT,
                                           WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, Milliseconds(), BTN_LEFT,
                                           WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (action == "wheel") {
            zwlr_virtual_pointer_v1_axis(pointer, Milliseconds(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                         wl_fixed_from_int(10));
        } else {
            return Usage();
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        handled = Milliseconds();
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
