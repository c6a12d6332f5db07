// The hack's command line, and the window a screen-saver host hands it: XScreenSaver's
// daemon sets XSCREENSAVER_WINDOW in hex, xsecurelock in decimal, the settings app's
// preview passes --window-id.
#pragma once
#include <cstdint>
#include <string>

#include "platform/present/paced_options.h"

enum class HackTarget { OwnWindow, GivenWindow, RootWindow };
using HackRenderer = PacedRenderer;

// The pace, choices and renderer as every paced program takes them, and the window.
struct HackOptions : PacedChoices {
    HackTarget Target = HackTarget::OwnWindow;
    uint32_t WindowId = 0; // for GivenWindow
    bool Help = false;
};

inline constexpr const char* HackUsage =
    "usage: glimmerhex-hack [--window-id ID | --root] [--delay MICROSECONDS]\n"
    "                       [--effect 0-7] [--palette 0-36]\n"
    "                       [--renderer auto|accelerated|software]\n";

// "0x" and hex digits, or decimal digits; 1..0xFFFFFFFF. Nothing else is accepted.
bool ParseWindowId(const char* text, uint32_t& id);

// Reads the arguments (one or two leading dashes, the value as the next argument or after
// '=') and the host's XSCREENSAVER_WINDOW value (null when unset). On bad input, returns
// false with one line naming the problem in error.
bool ParseHackOptions(int argc, const char* const* argv, const char* hostWindow,
                      HackOptions& options, std::string& error);
