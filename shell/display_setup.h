// The display half of a saver's set-up: display object, exclusive access, mode, effect,
// surface, palette, grids. Shared by the saver and the headless renderer.
#pragma once
#include <cstdint>

#include "ports/display_port.h"

struct DisplayFailure {
    const char* Text; // one of the fixed "... FAILED" texts
    int32_t Code;     // the failed call's result, or 0 where none is passed on
};

// True when every step succeeded; otherwise the first failure, with nothing released.
bool SetUpDisplay(PlatformWindow* window, DisplayFailure& failure);

// Puts a run's state back as a process starts it, for a program or test that starts run
// after run: the display objects released and the mode Native, no effect installed, both
// settings 0 with their flags clear, the generation count 0, the grids, shades and history
// cleared, nothing known of a picture, and the random source seeded. The tick's instruction
// set stays as chosen: a process chooses it once (the tests and the bench pick theirs with
// UseSimdPath).
void ResetRun(uint32_t seed);
