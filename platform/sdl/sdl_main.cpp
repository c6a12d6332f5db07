// The Linux entry: the arguments joined by single blanks stand in for the Windows
// argument text.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <string>

#include "platform/sdl/sdl_state.h"
#include "shell/start_up.h"

namespace {
constexpr int32_t ShowDefault = 10; // SW_SHOWDEFAULT
}

int main(int argc, char** argv) {
    SDL_SetMainReady();
    std::string argumentText;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) argumentText += ' ';
        argumentText += argv[i];
    }
    const int32_t exitCode = RunProgram(nullptr, argumentText.c_str(), ShowDefault);
    ReportTickRate();
    SDL_Quit();
    return exitCode;
}
