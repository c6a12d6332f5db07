// What input ends the run, kept apart from the protocol so that it can be tried without
// one. A screen saver started on idle gives the screen back on any key press, any button,
// a turn of the wheel or a real move of the pointer, but not on what was already going on
// when its surfaces appeared: keys held then, and their releases, and the pointer merely
// found where it rests. Nor on input meant for surfaces that are no longer the show's: what
// the compositor sent to a show that has ended, read only after it went, ends nothing.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr int MaxHeldKeys = 32;
// Surface pixels the pointer may drift from where it was found (a desk's tremor, a mouse
// settling) before it counts as moved.
inline constexpr double PointerSlack = 8;

enum class InputKind : uint8_t {
    KeyboardEnter, // Keys, KeyCount: the keys held as the keyboard arrives
    KeyboardLeave,
    Key,          // Key, Pressed
    PointerEnter, // X, Y
    PointerLeave,
    Motion, // X, Y
    Button, // Pressed
    Axis,   // a wheel turned
};

struct InputEvent {
    InputKind Kind;
    uint32_t Key = 0;
    bool Pressed = false;
    double X = 0, Y = 0;
    const uint32_t* Keys = nullptr;
    size_t KeyCount = 0;
    bool Ours = true; // an arrival: on a surface of the show that runs now
};

struct EndingInput {
    uint32_t Held[MaxHeldKeys]; // held on arrival and not released since
    int HeldCount;
    bool KeyboardIn; // the keyboard's focus is on a surface of this show
    bool PointerIn;  // the pointer is over one, found at the anchor
    double AnchorX, AnchorY;
};

// Whether the event ends the run; notes what later events are measured against.
bool InputEndsRun(EndingInput& input, const InputEvent& event);
