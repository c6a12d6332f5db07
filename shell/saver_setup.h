// Everything a saver run needs before its message loop, and the one failure report.
#pragma once
#include <cstdint>

#include "ports/window_port.h"

inline constexpr const char* ProductName = "Glimmerhex";

// 0 when set-up completed or the window could not be made; otherwise what
// ReportSetUpFailure returned.
int32_t SetUpSaver(PlatformInstance* instance, int32_t showCommand);

// Formats the text into 128 bytes, releases the display, shows the box, destroys the
// window (which posts the quit message) and returns the code.
int32_t ReportSetUpFailure(PlatformWindow* window, int32_t code, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
