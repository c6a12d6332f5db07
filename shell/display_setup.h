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
