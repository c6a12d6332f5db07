// The program's entry logic: single-instance guard, idle priority, the switch scan and
// the run it selects. Every run returns 0 unless the quit message says otherwise.
#pragma once
#include <cstdint>

#include "ports/window_port.h"

// The folded letter after the first '/' or '-' of the argument text; 0 when there is
// none (or the switch character ends the text).
char ScanSwitch(const char* argumentText);

int32_t RunProgram(PlatformInstance* instance, const char* argumentText, int32_t showCommand);

// Dispatches every waiting message and ticks whenever none waits, until the quit
// message; returns its code.
int32_t RunMessageLoop();
