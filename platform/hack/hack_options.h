// The hack's command line, and the window a screen-saver host hands it: XScreenSaver's
// daemon sets XSCREENSAVER_WINDOW in hex, xsecurelock in decimal, the settings app's
// preview passes --window-id.
#pragma once
#include <cstdint>
#include <string>

enum class HackTarget { OwnWindow, GivenWindow, RootWindow };
enum class HackRenderer { Auto, Accelerated, Software };

inline constexpr uint32_t DefaultDelay = 16667; // one generation per refresh at 60 Hz
inline constexpr uint32_t LongestDelay = 10'000'000;

struct HackOptions {
    HackTarget Target = HackTarget::OwnWindow;
    uint32_t WindowId = 0; // for GivenWindow
    uint32_t Delay = DefaultDelay;
    int Effect = -1;  // 0..7; -1 keeps the stored choice
    int Palette = -1; // 0..36; -1 keeps the stored choice
    HackRenderer Renderer = HackRenderer::Auto;
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
