// glimmerhex-wayland's command line: the paced programs' options, --wallpaper and --idle.
#pragma once
#include <cstdint>
#include <string>

#include "platform/present/paced_options.h"

inline constexpr uint32_t LongestIdle = 86400; // a day

struct WaylandOptions : PacedChoices {
    // Under the windows instead of over everything, never taking the keyboard and never
    // ended by input: for lockers that show a program behind their prompt.
    bool Wallpaper = false;
    bool Help = false; // anywhere, as the hack takes it; --version only alone
    // Resident: covers the outputs each time the user has been idle that long (or, with
    // IdleAuto, the time the desktop's own settings call for); neither covers them at once
    // and ends with the first input.
    uint32_t IdleSeconds = 0;
    bool IdleAuto = false;
};

inline constexpr const char* WaylandUsage =
    "usage: glimmerhex-wayland [--delay MICROSECONDS] [--effect 0-7] [--palette 0-36]\n"
    "                          [--renderer auto|accelerated|software]\n"
    "                          [--wallpaper | --idle SECONDS|auto]\n"
    "       glimmerhex-wayland --help | --version\n"
    "Covers every output until a key, a button or a move of the pointer; with --idle,\n"
    "stays and does so each time the user has been idle for SECONDS (1 to 86400), or\n"
    "with auto for half of the time after which the desktop blanks or locks the screen.\n";

// On bad input, false with one line naming the problem in error.
bool ParseWaylandOptions(int argc, const char* const* argv, WaylandOptions& options,
                         std::string& error);
