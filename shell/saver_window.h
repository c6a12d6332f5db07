// The saver window's procedure: four command keys, every other key and any mouse button
// end the saver, and the window's destruction releases the display.
#pragma once
#include <cstdint>

#include "ports/window_port.h"

extern PlatformWindow* SaverWindow; // null until created, and again once destroyed

intptr_t SaverWindowProc(PlatformWindow* window, uint32_t message, uintptr_t wParam,
                         intptr_t lParam);
void RunClosingSequence(PlatformWindow* window);
