// For tests only: counts idle turns (one tick each) and reports the rate on exit.
#include <cstdio>

#include "platform/x11/sdl_state.h"

namespace {
Uint64 Turns = 0;
Uint64 FirstTurn = 0;
Uint64 LastTurn = 0;
} // namespace

void NoteIdleTurn() {
    LastTurn = SDL_GetPerformanceCounter();
    if (Turns++ == 0) FirstTurn = LastTurn;
}

void ReportTickRate() {
    if (Turns < 2) return;
    const double seconds = static_cast<double>(LastTurn - FirstTurn) /
                           static_cast<double>(SDL_GetPerformanceFrequency());
    std::fprintf(stderr, "ticks=%llu ticks_per_second=%.1f\n",
                 static_cast<unsigned long long>(Turns), static_cast<double>(Turns - 1) / seconds);
}
