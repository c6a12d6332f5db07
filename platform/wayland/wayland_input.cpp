// The seat's keyboard and pointer: what they report goes through the rules of
// ending_input.h, and the pointer is hidden over every surface of ours.
#include <unistd.h>

#include "platform/wayland/wayland_state.h"

namespace {
void Judge(const InputEvent& event) {
    if (InputEndsRun(Wl.Input, event)) Wl.Ended = true;
}

// One of the surfaces that cover the outputs now. A surface taken down since the
// compositor sent the event arrives as null: it was a show's that has ended.
bool IsShowSurface(const wl_surface* surface) {
    if (surface == nullptr || Wl.Table.Withdrawn) return false;
    for (const OutputSurface& output : Wl.Outputs)
        if (output.Surface == surface) return true;
    return false;
}

// The layout does not matter: every key ends the run, whatever it would type.
void OnKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) {
    close(fd);
}

void OnKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface* surface, wl_array* keys) {
    InputEvent event{InputKind::KeyboardEnter};
    event.Ours = IsShowSurface(surface);
    event.Keys = static_cast<const uint32_t*>(keys->data);
    event.KeyCount = keys->size / sizeof(uint32_t);
    Judge(event);
}

void OnKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {
    Judge({InputKind::KeyboardLeave});
}

void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    InputEvent event{InputKind::Key};
    event.Key = key;
    event.Pressed = state == WL_KEYBOARD_KEY_STATE_PRESSED;
    Judge(event);
}

void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener KeyboardListener{OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                            OnKey,    OnModifiers,     OnRepeatInfo};

void OnPointerEnter(void*, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                    wl_fixed_t y) {
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0); // no cursor over the picture
    InputEvent event{InputKind::PointerEnter};
    event.Ours = IsShowSurface(surface);
    event.X = wl_fixed_to_double(x);
    event.Y = wl_fixed_to_double(y);
    Judge(event);
}

void OnPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {
    Judge({InputKind::PointerLeave});
}

void OnMotion(void*, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    InputEvent event{InputKind::Motion};
    event.X = wl_fixed_to_double(x);
    event.Y = wl_fixed_to_double(y);
    Judge(event);
}

void OnButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    InputEvent event{InputKind::Button};
    event.Pressed = state == WL_POINTER_BUTTON_STATE_PRESSED;
    Judge(event);
}

void OnAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {
    Judge({InputKind::Axis});
}

void OnFrame(void*, wl_pointer*) {}
void OnAxisSource(void*, wl_pointer*, uint32_t) {}
void OnAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void OnAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}

// Bound at version 5 at most: high-resolution wheel events never come.
const wl_pointer_listener PointerListener{OnPointerEnter, OnPointerLeave, OnMotion,     OnButton,
                                          OnAxis,         OnFrame,        OnAxisSource, OnAxisStop,
                                          OnAxisDiscrete, nullptr};

// Devices come and go with the seat's capabilities (a keyboard plugged in, a virtual one).
void OnCapabilities(void*, wl_seat* seat, uint32_t capabilities) {
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (keyboard && Wl.Keyboard == nullptr) {
        Wl.Keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(Wl.Keyboard, &KeyboardListener, nullptr);
    } else if (!keyboard) {
        GiveBack(Wl.Keyboard, WL_KEYBOARD_RELEASE_SINCE_VERSION, wl_keyboard_release,
                 wl_keyboard_destroy);
    }
    if (pointer && Wl.Pointer == nullptr) {
        Wl.Pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(Wl.Pointer, &PointerListener, nullptr);
    } else if (!pointer) {
        GiveBack(Wl.Pointer, WL_POINTER_RELEASE_SINCE_VERSION, wl_pointer_release,
                 wl_pointer_destroy);
    }
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener SeatListener{OnCapabilities, OnSeatName};
} // namespace

void ListenToSeat(wl_seat* seat) {
    wl_seat_add_listener(seat, &SeatListener, nullptr);
}
