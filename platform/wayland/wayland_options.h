// glimmerhex-wayland's command line: the paced programs' options, and --wallpaper.
#pragma once
#include <string>

#include "platform/present/paced_options.h"

struct WaylandOptions : PacedChoices {
    // Under the windows instead of over everything, never taking the keyboard and never
    // ended by input: for lockers that show a program behind their prompt.
    bool Wallpaper = false;
    bool Help = false; // anywhere, as the hack takes it; --version only alone
};

inline constexpr const char* WaylandUsage =
    "usage: glimmerhex-wayland [--delay MICROSECONDS] [--effect 0-7] [--palette 0-36]\n"
    "                          [--renderer auto|accelerated|software] [--wallpaper]\n"
    "       glimmerhex-wayland --help | --version\n"
    "Covers every output until a key, a button or a move of the pointer.\n";

// On bad input, false with one line naming the problem in error.
bool ParseWaylandOptions(int argc, const char* const* argv, WaylandOptions& options,
                         std::string& error);
